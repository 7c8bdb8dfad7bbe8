#include <gtest/gtest.h>

#include "formats/host_path.h"

using namespace kestrel;
using namespace kestrel::formats;

TEST(HostPath, NamePartsAndSideFileNames) {
    EXPECT_EQ(folderOf("c:\\models\\a.ply"), "c:\\models\\");
    EXPECT_EQ(folderOf("data/samples/robot.rsd"), "data/samples/");
    EXPECT_EQ(folderOf("robot.rsd"), "");
    EXPECT_EQ(fileNameOf("tex\\b.tim"), "b.tim");
    EXPECT_EQ(replaceLastThree("model.ply", "xgrp"), "model.xgrp");
    EXPECT_EQ(replaceLastThree("C:\\work\\ROBOT.RSD", "ply"), "C:\\work\\ROBOT.ply");
    EXPECT_EQ(replaceLastThree("ab", "xgrp"), "xgrp");
}

TEST(HostPath, StoredWindowsPathsFindFilesBesideTheRsdFile) {
    MemoryFileSystem files;
    files.files["models/robot.rsd"] = "";
    files.files["models/Robot.PLY"] = "";
    files.files["models/tex/b.tim"] = "";
    files.files["elsewhere/a.ply"] = "";
    const std::string rsd = "models/robot.rsd";
    // As given (either separator), then by name in the RSD folder, ignoring case.
    EXPECT_EQ(resolveForRead(files, "models\\tex\\b.tim", rsd), "models/tex/b.tim");
    EXPECT_EQ(resolveForRead(files, "elsewhere/a.ply", rsd), "elsewhere/a.ply");
    EXPECT_EQ(resolveForRead(files, "c:\\models\\robot.ply", rsd), "models/Robot.PLY");
    EXPECT_EQ(resolveForRead(files, "\\models\\ROBOT.ply", rsd), "models/Robot.PLY");
    EXPECT_EQ(resolveForRead(files, "c:\\models\\missing.ply", rsd), std::nullopt);
    EXPECT_EQ(resolveForRead(files, "", rsd), std::nullopt);
}

TEST(HostPath, WritesGoToTheExistingFileOrBesideTheRsdFile) {
    MemoryFileSystem files;
    files.files["models/robot.rsd"] = "";
    files.files["models/Robot.PLY"] = "";
    files.files["out/keep.txt"] = "";
    const std::string rsd = "models/robot.rsd";
    EXPECT_EQ(resolveForWrite(files, "c:\\models\\robot.ply", rsd), "models/Robot.PLY");
    EXPECT_EQ(resolveForWrite(files, "c:\\models\\robot.mat", rsd), "models/robot.mat");
    EXPECT_EQ(resolveForWrite(files, "out/new.mat", rsd), "out/new.mat");
    EXPECT_EQ(resolveForWrite(files, "nowhere/new.mat", rsd), "models/new.mat");
}

#include "formats/open_dispatch.h"

TEST(OpenDispatch, TheEndOfTheNameChoosesTheReaderCaseSensitively) {
    using formats::OpenKind;
    for (const char* name : {"a.KS", "a.js", "a.JS", "dir/b.ks"})
        EXPECT_EQ(formats::classifyOpenPath(name), OpenKind::Script) << name;
    for (const char* name : {"a.ASC", "a.asc"}) EXPECT_EQ(formats::classifyOpenPath(name), OpenKind::Asc);
    for (const char* name : {"a.ASE", "a.ase"}) EXPECT_EQ(formats::classifyOpenPath(name), OpenKind::Ase);
    for (const char* name : {"a.RSD", "a.rsd", "a.txt", "a.Ase", "a.Asc", "a.Ks", "x"})
        EXPECT_EQ(formats::classifyOpenPath(name), OpenKind::Rsd) << name;
}
