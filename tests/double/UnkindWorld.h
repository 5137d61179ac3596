#pragma once
// The world behind the unkind file layer: folders, files and their data as
// FAT keeps them, every change journalled so that a power cut's states can be
// built again. Shared by the layer's functions and its controls; tests use
// UnkindFiles.h.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "UnkindFiles.h"

namespace unkind {
namespace world {
using Data = std::shared_ptr<const std::string>;

struct Entry {
    std::string name, shortName;
    bool folder = false;
    int id = 0;  // the file's node, or the folder
    int slot = 0, slots = 1;
    bool readOnly = false;
};
struct Folder {
    int volume = 0;
    std::vector<Entry> entries;
};
struct Node {
    Data data = std::make_shared<const std::string>();
    bool freed = false;  // its clusters were given away: it reads as garbage
};
struct World {
    std::map<int, Folder> folders{{0, Folder()}};  // 0: the root
    std::map<int, Node> nodes;
};

// One change, as the live world made it and as a replay may make it again.
struct Op {
    enum Kind { MakeFile, MakeFolder, Write, Flush, Rename, Remove, ReadOnly } kind = Flush;
    std::string from, to;  // Flush: the file's path at the time
    int id = 0;            // node or folder
    int volume = 0;        // MakeFolder; Flush: the file's volume
    Data data;             // Write: the content after it
    bool replace = false, folder = false;
    bool deviceToo = true;  // Flush: a full one, not only to the device's cache
    bool readOnly = true;   // ReadOnly: the attribute set or taken off
    bool durable = false;  // at once
    bool atomic = false;   // Rename: all or nothing at a cut
    bool counts = true;    // Flush sparing the device's cache: a later full flush makes it durable
};
Op NewOp(Op::Kind kind);
// The fates of a change at a cut; the last is "it happened".
int Fates(Op::Kind kind);
std::vector<std::string> Parts(const std::string& path);
// Names compared as code page 1252 folds case.
bool Same(const std::string& a, const std::string& b);

class Layer {
public:
    std::mutex m;
    World live, initial;
    std::vector<Op> journal;
    std::vector<std::string> mounts, durableFolders;
    int nextId = 1;
    bool settled = false;
    unkind::VolumeKind kind = unkind::VolumeKind::Fat;
    std::map<unkind::Fault, int> calls;
    unkind::Fault failKind = unkind::Fault::None;
    int failAt = -1;
    bool fired = false;
    struct Open {
        int node;
    };
    std::map<std::intptr_t, Open> handles;
    std::intptr_t nextHandle = 1;

    // The folder that holds path's last part (-1 when none), and that part.
    static int Parent(const World& w, const std::string& path, std::string& name);
    static const Entry* Find(const World& w, int folder, const std::string& name);
    static Entry* At(World& w, const std::string& path, int* parent = nullptr);
    static std::string ShortName(const World& w, int folder, const std::string& name);
    // A new entry in the first run of free directory slots that fits its name.
    static void Add(World& w, int folder, const std::string& name, bool isFolder, int id, bool readOnly);
    static bool Drop(World& w, const std::string& path, int id, Entry* dropped = nullptr);

    // Applies one change with the fate given (Fates - 1: all of it).
    static void Apply(World& w, const Op& op, int fate);

    void Record(Op op);

    bool Fails(unkind::Fault kind, const std::string& path);

    bool Held(int node) const;

    // Whether the flush j reached the disk before a cut after the first cut
    // steps: a flush to the device's cache only with a later full flush on its volume.
    bool Reached(size_t j, size_t cut) const;

    // Whether change i is durable at a cut after the first cut steps.
    bool Durable(size_t i, size_t cut) const;

    int WorldVolume(const std::string& path);
    // The kind of the volume that path lies on.
    unkind::VolumeKind KindAt(const std::string& path) const;
};

Layer& L();
// A file's bytes; a freed one's read as garbage.
std::string ContentOf(const World& w, int node);
bool MakeFolderLocked(Layer& l, const std::string& path);
}  // namespace world
}  // namespace unkind
