#include "app/recovery.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <string_view>

#include "app/settings.h"
#include "formats/host_path.h"
#include "formats/rsd_set.h"
#include "formats/texture_slots.h"

namespace kestrel::app {

namespace {

using formats::Error;
using formats::makeError;

constexpr std::string_view kMagic = "KESTREL RECOVERY ";
constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kSuffix = ".krec";
// Where the sets are written inside the file; the names only link the parts together.
const std::string kBaseSet = "/recovered/base.rsd";
const std::string kEditSet = "/recovered/edit.rsd";

// "key\tvalue" header lines; values are whole lines, so names cannot break the layout.
void field(std::string& out, std::string_view key, std::string_view value) {
    out.append(key).append("\t").append(value).append("\n");
}

std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    return line;
}

template <class Int>
bool parse(std::string_view text, Int& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc{} && end == text.data() + text.size();
}

// Reads the header lines and the parts of a recovery file.
struct Parsed {
    std::map<std::string, std::string> fields;
    formats::MemoryFileSystem parts;
};

std::expected<Parsed, Error> parseRecovery(const std::string& path, std::string_view bytes, bool headerOnly) {
    Parsed parsed;
    std::size_t at = 0;
    int line = 0;
    const auto nextLine = [&]() -> std::optional<std::string_view> {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view text = bytes.substr(at, end - at);
        at = end + 1;
        ++line;
        return text;
    };
    const auto first = nextLine();
    if (!first || !first->starts_with(kMagic))
        return std::unexpected(makeError(path, 1, "this is not a Kestrel recovery file"));
    int version = 0;
    if (!parse(first->substr(kMagic.size()), version) || version != kRecoveryVersion)
        return std::unexpected(makeError(path, 1,
                                         "the recovery file was written by another version of Kestrel (" +
                                             std::string(first->substr(kMagic.size())) + ")"));
    for (;;) {
        const auto text = nextLine();
        if (!text) return std::unexpected(makeError(path, line, "the recovery file ends too soon"));
        if (*text == "end") return parsed;
        const std::size_t tab = text->find('\t');
        if (tab == std::string_view::npos)
            return std::unexpected(makeError(path, line, "a line of the recovery file has no value"));
        const std::string key(text->substr(0, tab));
        const std::string_view value = text->substr(tab + 1);
        if (key != "part") {
            parsed.fields[key] = value;
            continue;
        }
        if (headerOnly) return parsed;
        // "part\tNAME\tBYTES", then exactly that many bytes and a line end.
        const std::size_t split = value.rfind('\t');
        std::size_t size = 0;
        if (split == std::string_view::npos || !parse(value.substr(split + 1), size) || size > bytes.size() - at ||
            at + size >= bytes.size() || bytes[at + size] != '\n')
            return std::unexpected(makeError(path, line, "a part of the recovery file is cut short or damaged"));
        const std::string_view body = bytes.substr(at, size);
        parsed.parts.files[std::string(value.substr(0, split))] = std::string(body);
        for (char c : body) line += c == '\n';
        at += size + 1;
    }
}

void giveNames(model::Model& m, const std::map<std::string, std::string>& fields) {
    const auto get = [&](const char* key) {
        const auto found = fields.find(key);
        return found == fields.end() ? std::string() : found->second;
    };
    m.rsdFileName = get("rsd");
    m.plyFileName = get("ply");
    m.matFileName = get("mat");
    m.grpFileName = get("grp");
}

}  // namespace

std::string recoveryFolder() { return kestrelFolder("XDG_STATE_HOME", ".local/state"); }

std::string recoveryPathFor(const std::string& folder, int processId) {
    return folder + "/" + std::string(kPrefix) + std::to_string(processId) + std::string(kSuffix);
}

std::expected<std::string, Error> recoveryBytes(const Document& document, std::int64_t now) {
    const model::Model& current = document.model();
    const animation::AnimationState& anim = document.animation();
    const DocumentState& state = document.snapshot();
    // The set as Save writes it, and the edit frame alone as Save Current does.
    formats::MemoryFileSystem parts;
    const model::Model& base = anim.baseFrame ? anim.baseFrame->model : current;
    if (auto saved = formats::saveRsdSet(parts, base, {kBaseSet, true, &anim}); !saved)
        return std::unexpected(saved.error());
    if (auto saved = formats::saveRsdSet(parts, current, {kEditSet, false, nullptr}); !saved)
        return std::unexpected(saved.error());

    std::string out = std::string(kMagic) + std::to_string(kRecoveryVersion) + "\n";
    field(out, "rsd", oneLine(current.rsdFileName));
    field(out, "ply", oneLine(current.plyFileName));
    field(out, "mat", oneLine(current.matFileName));
    field(out, "grp", oneLine(current.grpFileName));
    field(out, "time", std::to_string(now));
    field(out, "counter", std::to_string(anim.keyframeCounter));
    field(out, "baseFrame", anim.baseFrame ? oneLine(anim.baseFrame->name) : "");
    field(out, "editKeyframe", state.editKeyframe ? oneLine(*state.editKeyframe) : "");
    field(out, "editUnstored", state.editUnstored ? "1" : "0");
    for (const auto& [name, bytes] : parts.files) {
        field(out, "part", name + "\t" + std::to_string(bytes.size()));
        out.append(bytes).append("\n");
    }
    out.append("end\n");
    return out;
}

std::expected<void, Error> writeRecovery(formats::FileSystem& files, const std::string& path, const Document& document,
                                         std::int64_t now) {
    auto bytes = recoveryBytes(document, now);
    if (!bytes) return std::unexpected(makeError(path, 0, "cannot keep a recovery copy: " + bytes.error().describe()));
    const std::string folder(formats::folderOf(path));
    if (!folder.empty() && !files.isDirectory(folder) && !files.makeDirectories(folder))
        return std::unexpected(makeError(path, 0, "cannot make the recovery folder " + folder));
    return formats::writeFileSafely(files, path, *bytes);
}

std::vector<RecoveryInfo> findRecoveries(const formats::FileSystem& files, const std::string& folder,
                                         const std::function<bool(int)>& isRunning) {
    std::vector<RecoveryInfo> found;
    for (const std::string& name : files.listDirectory(folder)) {
        if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
        RecoveryInfo info;
        info.file = folder + "/" + name;
        if (!parse(std::string_view(name).substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size()),
                   info.processId))
            info.processId = 0;
        if (info.processId > 0 && isRunning(info.processId)) continue;
        if (const auto bytes = files.readFile(info.file)) {
            if (const auto header = parseRecovery(info.file, *bytes, true)) {
                info.setPath = header->fields.contains("rsd") ? header->fields.at("rsd") : "";
                if (header->fields.contains("time")) parse(std::string_view(header->fields.at("time")), info.savedAt);
            }
        }
        found.push_back(std::move(info));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.savedAt < b.savedAt; });
    return found;
}

std::expected<DocumentState, Error> readRecovery(const formats::FileSystem& files, const std::string& path) {
    const auto bytes = files.readFile(path);
    if (!bytes) return std::unexpected(makeError(path, 0, formats::cannotOpen(bytes.error(), "the recovery file")));
    auto parsed = parseRecovery(path, *bytes, false);
    if (!parsed) return std::unexpected(parsed.error());
    const auto damaged = [&](const Error& inner) {
        return std::unexpected(makeError(path, 0, "the recovery file is damaged: " + inner.describe()));
    };
    auto base = formats::loadRsdSet(parsed->parts, kBaseSet);
    if (!base) return damaged(base.error());
    auto edit = formats::loadRsdSet(parsed->parts, kEditSet);
    if (!edit) return damaged(edit.error());

    const auto& fields = parsed->fields;
    DocumentState state;
    state.current = std::move(edit->model);
    giveNames(state.current, fields);
    // The movement file reads back in the document's order.
    state.anim.movements = std::move(base->animation.movements);
    const std::string baseName = fields.contains("baseFrame") ? fields.at("baseFrame") : "";
    if (!baseName.empty()) {
        state.anim.baseFrame = std::move(base->animation.baseFrame);
        if (!state.anim.baseFrame) state.anim.baseFrame = animation::Keyframe{base->model, baseName};
        state.anim.baseFrame->name = baseName;
        giveNames(state.anim.baseFrame->model, fields);
    }
    if (fields.contains("counter")) parse(std::string_view(fields.at("counter")), state.anim.keyframeCounter);
    if (fields.contains("editKeyframe") && !fields.at("editKeyframe").empty())
        state.editKeyframe = fields.at("editKeyframe");
    state.editUnstored = fields.contains("editUnstored") && fields.at("editUnstored") == "1";
    auto textures = formats::loadTextureSlots(files, state.current, state.current.rsdFileName);
    state.textures = std::make_shared<const formats::TextureSlots>(std::move(textures.slots));
    return state;
}

void setAsideRecovery(formats::FileSystem& files, const std::string& path) {
    if (!files.rename(path, path + ".bad", true)) files.remove(path);
}

}  // namespace kestrel::app
