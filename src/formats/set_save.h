#pragma once
// Saving a file set all or nothing. Every new file is written and flushed beside its target
// under a fixed name (TARGET.kestrel-new) before anything is replaced; then a journal naming
// them (RSD.kestrel-save) is put in place in one rename, which is the moment the save counts
// as done; then the files are swapped in and the journal removed. A save cut off before the
// journal leaves the old set whole and its new files behind, which the next save or open
// removes; one cut off after it is completed by the next save or open.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/error.h"
#include "formats/file_system.h"

namespace kestrel::formats {

inline constexpr std::string_view kNewFileSuffix = ".kestrel-new";
inline constexpr std::string_view kJournalSuffix = ".kestrel-save";

// One file of the set: where it goes, its bytes, and the backup the old file becomes when
// there is none yet (empty: no backup).
struct SetFile {
    std::string target;
    std::string backup;
    std::string bytes;
};
// A file the new set no longer has (a BONE or MOVE file of the set before): it goes to its
// backup name when there is none yet, and away otherwise, so no later open reads it again.
struct RetiredFile {
    std::string path;
    std::string backup;
};

// Replaces the set's files with the new ones, or, failing before the journal, leaves every
// old file as it was and removes the new ones. rsdPath names the journal.
std::expected<void, Error> replaceSet(FileSystem& files, const std::string& rsdPath,
                                      const std::vector<SetFile>& written, const std::vector<RetiredFile>& retired);

// Before a set is read or saved: completes a save that was cut off after its journal, and
// removes the new files of one cut off before it. Says what it did.
std::vector<Warning> finishInterruptedSave(FileSystem& files, const std::string& rsdPath);

}  // namespace kestrel::formats
