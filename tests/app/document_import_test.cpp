// Document: opening 3DS Max ASE and 3D Studio ASC files.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/document.h"
#include "formats/file_system.h"

namespace kestrel::app {
namespace {

// An 8-bit TIM of 32 x 16 pixels.
std::string tim32x16() {
    std::string s;
    auto u16 = [&s](unsigned v) { s += static_cast<char>(v & 0xFF), s += static_cast<char>(v >> 8); };
    auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
    u32(0x10), u32(1 | 8), u32(12 + 2 * 256);
    u16(0), u16(480), u16(256), u16(1);
    for (int i = 0; i < 256; ++i) u16(i);
    u32(12 + 2 * 16 * 16);
    u16(640), u16(0), u16(16), u16(16);
    s.append(2 * 16 * 16, '\x01');
    return s;
}

// One textured triangle that moves 5 units along X at time 4800.
const char* const kScene = R"(*3DSMAX_ASCIIEXPORT	200
*MATERIAL_LIST {
	*MATERIAL_COUNT 1
	*MATERIAL 0 {
		*MAP_DIFFUSE {
			*BITMAP "C:\maps\skin.tga"
		}
	}
}
*GEOMOBJECT {
	*NODE_NAME "Tri"
	*MESH {
		*MESH_NUMVERTEX 3
		*MESH_NUMFACES 1
		*MESH_VERTEX_LIST {
			*MESH_VERTEX    0	0.0000	0.0000	0.0000
			*MESH_VERTEX    1	10.0000	0.0000	0.0000
			*MESH_VERTEX    2	0.0000	10.0000	0.0000
		}
		*MESH_FACE_LIST {
			*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    1	 *MESH_SMOOTHING 1 	*MESH_MTLID 0
		}
		*MESH_NUMTVERTEX 3
		*MESH_TVERTLIST {
			*MESH_TVERT 0	0.0000	0.0000	0.0000
			*MESH_TVERT 1	0.5000	0.0000	0.0000
			*MESH_TVERT 2	0.0000	0.5000	0.0000
		}
		*MESH_TFACELIST {
			*MESH_TFACE 0	0	1	2
		}
	}
	*TM_ANIMATION {
		*NODE_NAME "Tri"
		*CONTROL_POS_BEZIER {
			*CONTROL_BEZIER_POS_KEY 0	0.0000	0.0000	0.0000	0.0	0.0	0.0	0.0	0.0	0.0	0
			*CONTROL_BEZIER_POS_KEY 4800	5.0000	0.0000	0.0000	0.0	0.0	0.0	0.0	0.0	0.0	0
		}
	}
	*MATERIAL_REF 0
}
)";

struct Fixture {
    formats::MemoryFileSystem* files;
    Document document;
    Fixture() : Fixture(std::make_unique<formats::MemoryFileSystem>()) {}

private:
    explicit Fixture(std::unique_ptr<formats::MemoryFileSystem> owned)
        : files(owned.get()), document(std::move(owned)) {
        files->files["/art/scene.ase"] = kScene;
        files->files["/art/skin.tim"] = tim32x16();
        files->files["/art/box.asc"] =
            "Named object: \"Box\"\nTri-mesh, Vertices: 3     Faces: 1\nVertex list:\n"
            "Vertex 0:  X: 0.0  Y: 0.0  Z: 0.0\nVertex 1:  X: 1.0  Y: 0.0  Z: 0.0\n"
            "Vertex 2:  X: 0.0  Y: 1.0  Z: 0.0\nFace list:\nFace 0:    A:0 B:1 C:2 AB:1 BC:1 "
            "CA:1\n";
    }
};

TEST(DocumentImport, AseSceneWithTexturesAndMovement) {
    Fixture f;
    f.document.importAseTextures = true;
    const auto opened = f.document.openFile("/art/scene.ase");
    ASSERT_TRUE(opened) << opened.error().describe();
    EXPECT_TRUE(opened->empty());
    EXPECT_EQ(f.document.windowTitle(), "Kestrel - /art/scene.rsd");  // the set Save writes
    const model::Model& m = f.document.model();
    EXPECT_EQ(m.rsdFileName, "/art/scene.rsd");
    EXPECT_EQ(m.textureFiles, (std::vector<std::string>{"C:\\maps\\skin.tim"}));
    ASSERT_EQ(f.document.textureSlots().size(), 1u);
    EXPECT_TRUE(f.document.textureSlots()[0].loaded);
    // Texels of the 32 x 16 texture, in the model and in the base frame that Save writes.
    EXPECT_EQ(m.polygons[0].tu, (std::array<std::int32_t, 4>{0, 16, 0, 0}));
    EXPECT_EQ(m.polygons[0].tv, (std::array<std::int32_t, 4>{0, 0, 8, 0}));
    const auto& anim = f.document.animation();
    ASSERT_TRUE(anim.baseFrame);
    EXPECT_EQ(anim.baseFrame->model, m);
    ASSERT_EQ(anim.movements.size(), 1u);
    ASSERT_EQ(anim.movements[0].keyframes.size(), 1u);
    EXPECT_EQ(anim.movements[0].keyframes[0].model.vertices[1].x, 15.0);
    EXPECT_EQ(anim.movements[0].keyframes[0].model.polygons[0].tu[1], 16);
    EXPECT_EQ(anim.keyframeCounter, 1);
}

TEST(DocumentImport, AscOpensAndMalformedImportsLeaveTheModelUntouched) {
    Fixture f;
    ASSERT_TRUE(f.document.openFile("/art/scene.ase"));
    // Without texture information the scene keeps no textures.
    EXPECT_TRUE(f.document.model().textureFiles.empty());
    EXPECT_EQ(f.document.model().polygons[0].type, 'C');

    const model::Model before = f.document.model();
    f.files->files["/art/bad.ase"] = std::string(kScene).substr(0, 400);
    f.files->files["/art/bad.asc"] = "Tri-mesh, Vertices: 3 Faces: 1\nVertex list:\nVertex 0: X: 0 Y: 0 Z: 0\n";
    for (const char* path : {"/art/bad.ase", "/art/bad.asc", "/art/missing.asc"}) {
        const auto opened = f.document.openFile(path);
        ASSERT_FALSE(opened) << path;
        EXPECT_EQ(opened.error().file, path);
        EXPECT_EQ(f.document.model(), before);
        EXPECT_EQ(f.document.animation().movements.size(), 1u);
        EXPECT_EQ(f.document.windowTitle(), "Kestrel - /art/scene.rsd");  // the set Save writes
    }

    const auto opened = f.document.openFile("/art/box.asc");
    ASSERT_TRUE(opened) << opened.error().describe();
    EXPECT_EQ(f.document.model().polygonCount(), 1);
    EXPECT_EQ(f.document.model().grpFileName, "/art/box.grp");
    EXPECT_TRUE(f.document.animation().movements.empty());
    EXPECT_EQ(f.document.windowTitle(), "Kestrel - /art/box.rsd");
}

}  // namespace
}  // namespace kestrel::app
