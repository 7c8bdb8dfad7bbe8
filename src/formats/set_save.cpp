#include "formats/set_save.h"

#include "formats/host_path.h"

namespace kestrel::formats {

namespace {

constexpr std::string_view kJournalHeader = "KESTREL SAVE 1\n";

std::string newName(const std::string& target) { return target + std::string(kNewFileSuffix); }
std::string journalName(const std::string& rsdPath) { return rsdPath + std::string(kJournalSuffix); }

// "file\tTARGET\tBACKUP" and "retire\tPATH\tBACKUP" lines; paths hold no tab or line end.
struct Journal {
    std::vector<SetFile> written;  // without their bytes
    std::vector<RetiredFile> retired;
};

std::string journalText(const std::vector<SetFile>& written, const std::vector<RetiredFile>& retired) {
    std::string text(kJournalHeader);
    for (const auto& f : written) text += "file\t" + f.target + "\t" + f.backup + "\n";
    for (const auto& r : retired) text += "retire\t" + r.path + "\t" + r.backup + "\n";
    return text + "end\n";
}

std::optional<Journal> parseJournal(std::string_view text) {
    if (!text.starts_with(kJournalHeader) || !text.ends_with("end\n")) return std::nullopt;
    Journal journal;
    text.remove_prefix(kJournalHeader.size());
    while (text != "end\n") {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const auto first = line.find('\t'), second = line.rfind('\t');
        if (first == std::string_view::npos || first == second) return std::nullopt;
        const std::string path(line.substr(first + 1, second - first - 1)), backup(line.substr(second + 1));
        if (line.starts_with("file\t"))
            journal.written.push_back({path, backup, {}});
        else if (line.starts_with("retire\t"))
            journal.retired.push_back({path, backup});
        else
            return std::nullopt;
    }
    return journal;
}

// The swap: each new file into place (the old one first to its backup when it has none), the
// retired files out of the way, then the journal goes. Done again it does nothing more, so a
// swap cut off part-way can be finished from the journal.
std::expected<void, Error> swapIn(FileSystem& files, const std::string& rsdPath, const Journal& journal) {
    for (const auto& f : journal.written) {
        const std::string fresh = newName(f.target);
        if (!files.isFile(fresh)) continue;  // already in place
        if (!f.backup.empty() && files.isFile(f.target) && !files.isFile(f.backup))
            files.rename(f.target, f.backup, false);
        if (!files.rename(fresh, f.target, true))
            return std::unexpected(makeError(f.target, 0,
                                             "the save was cut off while the files were being replaced; opening "
                                             "the set again completes it"));
    }
    for (const auto& r : journal.retired) {
        if (!files.isFile(r.path)) continue;
        if (r.backup.empty() || files.isFile(r.backup) || !files.rename(r.path, r.backup, false)) files.remove(r.path);
    }
    files.remove(journalName(rsdPath));
    return {};
}

void removeNewFiles(FileSystem& files, const std::vector<SetFile>& written) {
    for (const auto& f : written) files.remove(newName(f.target));
}

}  // namespace

std::expected<void, Error> replaceSet(FileSystem& files, const std::string& rsdPath,
                                      const std::vector<SetFile>& written, const std::vector<RetiredFile>& retired) {
    for (const auto& f : written)
        if (files.isDirectory(f.target))
            return std::unexpected(
                makeError(f.target, 0, "cannot save: there is a folder of that name; nothing was written"));
    const std::string journal = journalName(rsdPath);
    // Before the journal is in place nothing is replaced: a failure only takes the new files away.
    const auto abandon = [&](const std::string& file, const std::string& why) {
        files.remove(newName(journal));
        removeNewFiles(files, written);
        return std::unexpected(makeError(file, 0, why + "; nothing was replaced"));
    };
    for (const auto& f : written)
        if (auto failed = files.writeFile(newName(f.target), f.bytes, f.target)) return abandon(f.target, *failed);
    // The journal arrives whole or not at all.
    if (auto failed = files.writeFile(newName(journal), journalText(written, retired)))
        return abandon(journal, *failed);
    if (!files.rename(newName(journal), journal, true))
        return abandon(journal, "cannot put the save's journal in place");
    Journal entries;
    for (const auto& f : written) entries.written.push_back({f.target, f.backup, {}});
    entries.retired = retired;
    return swapIn(files, rsdPath, entries);
}

std::vector<Warning> finishInterruptedSave(FileSystem& files, const std::string& rsdPath) {
    std::vector<Warning> said;
    const std::string journal = journalName(rsdPath);
    if (const auto text = files.readFile(journal)) {
        const auto parsed = parseJournal(*text);
        if (!parsed) {
            said.push_back(
                makeWarning(journal, 0, "the journal of an earlier save cannot be read; it was left as it is"));
            return said;
        }
        if (auto swapped = swapIn(files, rsdPath, *parsed); !swapped)
            said.push_back(makeWarning(rsdPath, 0, swapped.error().message));
        else
            said.push_back(makeWarning(rsdPath, 0,
                                       "the last save of this set was cut off while its files were "
                                       "being replaced; it has now been completed"));
        return said;
    }
    // No journal: new files lying about belong to a save that stopped before it counted.
    const std::string folder(folderOf(rsdPath));
    const std::string stem = replaceLastThree(fileNameOf(rsdPath), "");
    int removed = 0;
    const std::string listed = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
    for (const std::string& name : files.listDirectory(listed))
        if (name.starts_with(stem) && name.ends_with(kNewFileSuffix)) {
            files.remove(folder + name);
            ++removed;
        }
    if (removed)
        said.push_back(makeWarning(
            rsdPath, 0, "removed " + countOf(removed, "file") + " left by a save of this set that did not finish"));
    return said;
}

}  // namespace kestrel::formats
