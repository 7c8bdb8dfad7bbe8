#include "install_support.h"

namespace kestrel::install::test {

namespace fs = std::filesystem;

namespace {

const int kIconSizes[] = {16, 32, 48, 64, 128, 256};

std::string id() { return std::string(kAppId); }

}  // namespace

std::set<std::string> expectedInstall() {
    // The man page is written from kestrel-cli's help as the build runs.
    std::set<std::string> files{"usr/bin/kestrel-cli", "usr/share/man/man1/kestrel-cli.1",
                                "usr/share/doc/kestrel/manual.md"};
    // The manual's pictures, as many as docs/pictures holds.
    for (const auto& entry : fs::directory_iterator(sourceDir() / "docs/pictures"))
        if (entry.path().extension() == ".png")
            files.insert("usr/share/doc/kestrel/pictures/" + entry.path().filename().string());
#ifdef KESTREL_GUI_PATH
    files.insert({
        "usr/bin/kestrel",
        "usr/share/applications/" + id() + ".desktop",
        "usr/share/metainfo/" + id() + ".metainfo.xml",
        "usr/share/mime/packages/" + id() + ".xml",
        "usr/share/icons/hicolor/scalable/apps/" + id() + ".svg",
    });
    for (int size : kIconSizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        files.insert("usr/share/icons/hicolor/" + folder + "/apps/" + id() + ".png");
    }
#endif
    return files;
}

fs::path sourceOf(const std::string& installed) {
    const fs::path path(installed);
    const std::string folder = path.parent_path().string();
    if (folder == "usr/share/man/man1") return buildDir() / "docs" / path.filename();
    if (folder == "usr/share/doc/kestrel") return sourceDir() / "docs" / path.filename();
    if (folder == "usr/share/doc/kestrel/pictures") return sourceDir() / "docs/pictures" / path.filename();
    if (folder == "usr/share/mime/packages") return desktopDataDir() / (id() + ".mime.xml");
    if (path.extension() == ".png") {
        // usr/share/icons/hicolor/48x48/apps/<id>.png comes from icons/48/<id>.png.
        const std::string size = path.parent_path().parent_path().filename().string();
        return desktopDataDir() / "icons" / size.substr(0, size.find('x')) / path.filename();
    }
    return desktopDataDir() / path.filename();
}

std::set<std::string> filesUnder(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory()) files.insert(fs::relative(entry.path(), root).string());
    return files;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::string field(const std::string& text, const std::string& key, char separator) {
    const std::string prefix = key + separator;
    for (const std::string& line : lines(text))
        if (line.starts_with(prefix)) {
            std::string value = line.substr(prefix.size());
            if (!value.empty() && value.front() == ' ') value.erase(0, 1);
            return value;
        }
    return "";
}

std::string described(const std::string& what, const CliRun& run) {
    return what + ": status " + std::to_string(run.status) + "\n" + run.out + run.err;
}

}  // namespace kestrel::install::test
