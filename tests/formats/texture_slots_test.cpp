#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "formats/texture_slots.h"

using namespace kestrel::formats;

namespace {

std::string sample(const std::string& name) {
    std::ifstream in(std::string(KESTREL_SOURCE_DIR) + "/data/samples/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A 16-bit TIM of 2 x 1 pixels at VRAM (512, 256).
std::string directColourTim() {
    return std::string("\x10\0\0\0\x02\0\0\0\x10\0\0\0\0\x02\0\x01\x02\0\x01\0\x1f\0\xe0\x03", 24);
}

kestrel::model::Model modelNaming(std::initializer_list<const char*> textures) {
    kestrel::model::Model m;
    for (const char* t : textures) m.textureFiles.emplace_back(t);
    return m;
}

}  // namespace

TEST(TextureSlots, EachTextureKeepsItsOwnVramPlaces) {
    MemoryFileSystem files;
    files.files["m/robot_body.tim"] = sample("robot_body.tim");
    files.files["m/Robot_Face.TIM"] = sample("robot_face.tim");
    // Stored Windows paths are found in the model's folder, whatever their letter case.
    const auto loaded =
        loadTextureSlots(files, modelNaming({"c:\\art\\robot_body.tim", "robot_face.tim"}), "m/robot.rsd");
    ASSERT_EQ(loaded.slots.size(), 2u);
    EXPECT_TRUE(loaded.warnings.empty());
    const TextureSlot& body = loaded.slots[0];
    EXPECT_TRUE(body.loaded);
    EXPECT_EQ(body.bitsPerPixel, 4);
    EXPECT_EQ(body.imageX, 640);
    EXPECT_EQ(body.clutY, 480);
    EXPECT_EQ(body.picture.width, 16);
    const TextureSlot& face = loaded.slots[1];
    EXPECT_EQ(face.bitsPerPixel, 8);
    EXPECT_EQ(face.imageX, 704);
    EXPECT_EQ(face.clutY, 481);
}

TEST(TextureSlots, TexturesThatCannotBeShownGetTheStandbyPicture) {
    MemoryFileSystem files;
    files.files["m/direct.tim"] = directColourTim();
    files.files["m/broken.tim"] = sample("robot_face.tim").substr(0, 100);
    files.files["m/huge.tim"] = std::string(kLargestTimFile + 1, '\0');
    const auto loaded =
        loadTextureSlots(files, modelNaming({"missing.tim", "direct.tim", "broken.tim", "huge.tim"}), "m/a.rsd");
    ASSERT_EQ(loaded.slots.size(), 4u);
    ASSERT_EQ(loaded.warnings.size(), 4u);
    for (const auto& slot : loaded.slots) EXPECT_EQ(slot.picture, standbyPicture());

    // A missing file has no places of its own: another texture's would be wrong.
    EXPECT_FALSE(loaded.slots[0].loaded);
    EXPECT_EQ(loaded.slots[0].imageX, 0);
    EXPECT_EQ(loaded.warnings[0].message,
              "cannot open the texture file (no such file or directory); the texture shows the stand-by picture");
    // A 16-bit image still lies where its header says.
    EXPECT_TRUE(loaded.slots[1].loaded);
    EXPECT_EQ(loaded.slots[1].bitsPerPixel, 16);
    EXPECT_EQ(loaded.slots[1].imageX, 512);
    EXPECT_EQ(loaded.slots[1].imageY, 256);
    EXPECT_NE(loaded.warnings[1].message.find("16-bit"), std::string::npos);
    EXPECT_FALSE(loaded.slots[2].loaded);
    EXPECT_EQ(loaded.warnings[2].file, "m/broken.tim");
    // A file too large to be a texture is not read at all, for the views or for a preview.
    EXPECT_FALSE(loaded.slots[3].loaded);
    EXPECT_NE(loaded.warnings[3].message.find("is larger than 2097152 bytes"), std::string::npos);
    const auto preview = readTimPicture(files, "m/huge.tim");
    ASSERT_FALSE(preview);
    EXPECT_EQ(preview.error().describe(), "m/huge.tim: cannot open the file (is larger than 2097152 bytes)");
    EXPECT_EQ(readTimPicture(files, "m/direct.tim")->width, decodeTim(directColourTim(), "")->width);
}

TEST(TextureSlots, TheShippedStandbyPictureReadsAndRemovalMovesSlotsDown) {
    const TimImage& standby = standbyPicture();
    EXPECT_EQ(standby.bitsPerPixel, 8);
    EXPECT_EQ(standby.width, 32);
    EXPECT_EQ(standby.pixels.size(), 32u * 32u);
    std::ifstream in(std::string(KESTREL_SOURCE_DIR) + "/data/standby.bmp", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), standbyBitmapBytes());

    TextureSlots slots(3);
    for (int i = 0; i < 3; ++i) slots[static_cast<std::size_t>(i)].imageX = static_cast<std::int16_t>(i);
    removeTextureSlot(slots, 0);
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[0].imageX, 1);
    removeTextureSlot(slots, 5);  // no such slot: nothing moves
    EXPECT_EQ(slots.size(), 2u);
}

TEST(TextureSlots, TexturesNoTexLineNamesGetOneWarningOnTheRsdFile) {
    kestrel::formats::MemoryFileSystem files;
    kestrel::model::Model m;
    m.textureFiles = {"", "", "", "", "", "", ""};
    const auto loaded = kestrel::formats::loadTextureSlots(files, m, "/m/big.rsd");
    ASSERT_EQ(loaded.slots.size(), 7u);
    ASSERT_EQ(loaded.warnings.size(), 1u);
    EXPECT_EQ(loaded.warnings[0].describe(),
              "/m/big.rsd: 7 textures (0, 1, 2, 3, 4, ...) have no TEX[] line naming a file; they show the "
              "stand-by picture");
    m.textureFiles = {"missing.tim", ""};
    const auto one = kestrel::formats::loadTextureSlots(files, m, "/m/big.rsd");
    ASSERT_EQ(one.warnings.size(), 2u);
    EXPECT_EQ(one.warnings[1].describe(),
              "/m/big.rsd: texture 1 has no TEX[] line naming a file; it shows the stand-by picture");
}
