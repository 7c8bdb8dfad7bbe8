#pragma once
// Recovery files: while a document has unsaved changes its whole state is written now and
// then to a file of its own under $XDG_STATE_HOME/kestrel/ (never beside the user's files),
// so that the next start after a crash can offer it back. A recovery file holds the set as
// "Save" would write it (base frame, movements, skeleton, texture list) and the edit frame
// as "Save Current" would, with the names of the set it stands for.
#include <cstdint>
#include <expected>
#include <functional>
#include <string>
#include <vector>

#include "app/document.h"
#include "formats/error.h"
#include "formats/file_system.h"

namespace kestrel::app {

inline constexpr int kRecoveryVersion = 1;

// $XDG_STATE_HOME/kestrel, or ~/.local/state/kestrel; empty when neither variable is set.
std::string recoveryFolder();
// The recovery file of the running process in that folder.
std::string recoveryPathFor(const std::string& folder, int processId);

// The file's bytes for the document as it stands, taken at `now` (seconds since 1970).
std::expected<std::string, formats::Error> recoveryBytes(const Document& document, std::int64_t now);
// Writes them through a temporary file, making the folder when needed.
std::expected<void, formats::Error> writeRecovery(formats::FileSystem& files, const std::string& path,
                                                  const Document& document, std::int64_t now);

// What a recovery file says of itself, read without reading the model.
struct RecoveryInfo {
    std::string file;     // the recovery file
    std::string setPath;  // the RSD set it stands for; empty for a model never saved
    std::int64_t savedAt = 0;
    int processId = 0;  // the process that wrote it
};

// The recovery files in the folder whose writers are no longer running (isRunning says which
// process numbers still are), oldest first. Files that cannot be read are listed too, so that
// opening them reports them.
std::vector<RecoveryInfo> findRecoveries(const formats::FileSystem& files, const std::string& folder,
                                         const std::function<bool(int)>& isRunning);

// The document state a recovery file holds, with its textures read from where the set
// names them. A file that is damaged or from another version is an error naming it.
std::expected<DocumentState, formats::Error> readRecovery(const formats::FileSystem& files, const std::string& path);

// Moves an unreadable recovery file out of the way (to its name with ".bad"), so it is not
// offered again.
void setAsideRecovery(formats::FileSystem& files, const std::string& path);

}  // namespace kestrel::app
