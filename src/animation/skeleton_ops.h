#pragma once
// Building, listing, copying and posing a model's skeleton. Joints and bones are addressed
// by their index in the Skeleton's vectors; bone order is the list order.
#include <expected>
#include <string>
#include <vector>

#include "model/matrix.h"
#include "model/model.h"
#include "model/skeleton.h"
#include "model/view_projection.h"

namespace kestrel::animation {

using model::Skeleton;

// Adds a joint used by no bone yet; it must get a bone before the skeleton is listed.
int addJoint(Skeleton& skeleton, const model::ModelVertex& position);
// A new bone from start to end at the head of the list (index 0; the other bones move up
// one). Refused, with the reason, when a joint already has its 10 bones, when start and end
// are the same joint, or when end already lies above start (the bone would close a cycle).
std::expected<int, std::string> addBone(Skeleton& skeleton, int startJoint, int endJoint);
// Unlinks and destroys the bone; a joint no other bone uses goes with it.
void deleteBone(Skeleton& skeleton, int bone);

// Binds a vertex to a bone once; refused beyond 1000 vertices. True when the bone has it.
bool addVertex(model::Bone& bone, int vertex);
void removeVertex(model::Bone& bone, int vertex);

// The first selected bone in list order, or -1.
int firstSelectedBone(const Skeleton& skeleton);

// Numbers the bones in list order and the joints by first appearance, walking the bones in
// list order and taking each bone's start before its end. Returns the joints by number.
std::vector<int> listSkeleton(Skeleton& skeleton);
// A copy with the joints stored in listing order and no bone selected.
Skeleton copySkeleton(const Skeleton& skeleton);

// Which joints pickJoint tests.
inline constexpr int kPickEndJoints = 1;
inline constexpr int kPickStartJoints = 2;

// The joint within 5 pixels of the screen point (x, y), nearest on screen, ties going to the
// nearer in depth; -1 when none.
int pickJoint(Skeleton& skeleton, double x, double y, int mode, const model::ViewProjection& view);

// Scratch state of the pose operations.
void resetPending(Skeleton& skeleton);
void clearMovedMarks(model::Model& model);

// Turns joint j and everything below it about pivot by rotation, with the vertices of every
// bone that uses j; vertices already marked moved stay put and are marked when moved.
void rotateFrom(model::Model& model, int joint, const model::ModelVertex& pivot, const model::Matrix4& rotation);
// Climbs to the top of the chain above joint and turns the whole tree from there.
void rotateChain(model::Model& model, int joint, const model::ModelVertex& pivot, const model::Matrix4& rotation);
// Marks every vertex of the bones below joint as moved, so that no rotation moves them.
void lockBelow(model::Model& model, int joint);

}  // namespace kestrel::animation
