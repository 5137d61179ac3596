#include "UnkindFiles.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/Files.h"
#include "platform/FilesNative.h"

namespace {
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
};
Op NewOp(Op::Kind kind) {
    Op op;
    op.kind = kind;
    return op;
}
// The fates of a change at a cut; the last is "it happened".
int Fates(Op::Kind kind) { return kind == Op::Write ? 3 : kind == Op::Rename ? 8 : 2; }

// Case folded as code page 1252 folds it.
unsigned char Fold(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
        default: return c;
    }
}
std::string Folded(std::string s) {
    for (char& c : s) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return s;
}
bool Same(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "\\") {
        if (c != '\\' && c != '/') {
            part += c;
            continue;
        }
        if (!part.empty() && part != ".") parts.push_back(part);
        part.clear();
    }
    return parts;
}
// A path as the world compares paths: folded, one kind of separator.
std::string Norm(const std::string& path) {
    std::string norm;
    for (const std::string& part : Parts(path)) norm += "\\" + Folded(part);
    return norm;
}
bool Below(const std::string& path, const std::string& folder) { return Norm(path).rfind(folder + "\\", 0) == 0; }

bool ShortChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::string("!#$%&'()-@^_`{}~").find(c) != std::string::npos;
}
bool Is83(const std::string& name) {
    const size_t dot = name.find('.');
    if (dot != name.rfind('.') || dot == 0) return false;
    const size_t stem = dot == std::string::npos ? name.size() : dot;
    if (stem > 8 || name.size() - stem > 4 || name.empty() || name.back() == '.') return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dot && !ShortChar(static_cast<unsigned char>(name[i]))) return false;
    return true;
}
int SlotsFor(const std::string& name) {
    return Is83(Folded(name)) ? 1 : 1 + static_cast<int>((name.size() + 12) / 13);
}

class Layer {
public:
    std::mutex m;
    World live, initial;
    std::vector<Op> journal;
    std::vector<std::string> mounts, durableFolders;
    int nextId = 1;
    bool settled = false;
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
    static int Parent(const World& w, const std::string& path, std::string& name) {
        const std::vector<std::string> parts = Parts(path);
        if (parts.empty()) return -1;
        int folder = 0;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            const Entry* e = Find(w, folder, parts[i]);
            if (!e || !e->folder) return -1;
            folder = e->id;
        }
        name = parts.back();
        return folder;
    }
    static const Entry* Find(const World& w, int folder, const std::string& name) {
        for (const Entry& e : w.folders.at(folder).entries)
            if (Same(e.name, name) || Same(e.shortName, name)) return &e;
        return nullptr;
    }
    static Entry* At(World& w, const std::string& path, int* parent = nullptr) {
        std::string name;
        const int folder = Parent(w, path, name);
        if (folder < 0) return nullptr;
        if (parent) *parent = folder;
        return const_cast<Entry*>(Find(w, folder, name));
    }
    static std::string ShortName(const World& w, int folder, const std::string& name) {
        if (Is83(Folded(name))) return Folded(name);
        const size_t dot = name.rfind('.');
        std::string stem, ext;
        for (size_t i = 0; i < name.size(); ++i) {
            const unsigned char c = Fold(static_cast<unsigned char>(name[i]));
            if (!ShortChar(c)) continue;
            if (dot == std::string::npos || i < dot) {
                if (stem.size() < 6) stem += static_cast<char>(c);
            } else if (ext.size() < 3) {
                ext += static_cast<char>(c);
            }
        }
        if (stem.empty()) stem = "X";
        for (int n = 1;; ++n) {
            const std::string candidate = stem + "~" + std::to_string(n) + (ext.empty() ? "" : "." + ext);
            if (folder < 0 || !Find(w, folder, candidate)) return candidate;
        }
    }
    // A new entry in the first run of free directory slots that fits its name.
    static void Add(World& w, int folder, const std::string& name, bool isFolder, int id, bool readOnly) {
        Entry e;
        e.name = name;
        e.shortName = ShortName(w, folder, name);
        e.folder = isFolder;
        e.id = id;
        e.slots = SlotsFor(name);
        e.readOnly = readOnly;
        std::vector<Entry>& entries = w.folders.at(folder).entries;
        for (bool clash = true; clash; e.slot += clash) {
            clash = false;
            for (const Entry& o : entries)
                if (e.slot < o.slot + o.slots && o.slot < e.slot + e.slots) clash = true;
        }
        entries.push_back(e);
    }
    static bool Drop(World& w, const std::string& path, int id, Entry* dropped = nullptr) {
        int folder = 0;
        Entry* e = At(w, path, &folder);
        if (!e || (id && e->id != id)) return false;
        if (dropped) *dropped = *e;
        std::vector<Entry>& entries = w.folders.at(folder).entries;
        entries.erase(entries.begin() + (e - entries.data()));
        return true;
    }

    // Applies one change with the fate given (Fates - 1: all of it).
    static void Apply(World& w, const Op& op, int fate) {
        std::string name;
        const int parent = Parent(w, op.to.empty() ? op.from : op.to, name);
        switch (op.kind) {
            case Op::MakeFile:
                if (fate && parent >= 0 && !Find(w, parent, name)) Add(w, parent, name, false, op.id, false);
                w.nodes[op.id];
                break;
            case Op::MakeFolder:
                w.folders[op.id].volume = op.volume;
                if (fate && parent >= 0 && !Find(w, parent, name)) Add(w, parent, name, true, op.id, false);
                break;
            case Op::Write:
                if (fate == 2) w.nodes[op.id].data = op.data;
                if (fate == 1) {  // torn: the second half never reached the disk
                    std::string torn = *op.data;
                    std::fill(torn.begin() + static_cast<long>(torn.size() / 2), torn.end(), '\xEE');
                    w.nodes[op.id].data = std::make_shared<const std::string>(torn);
                }
                break;
            case Op::Rename: {
                Entry target, source;
                source.id = op.id;
                source.folder = op.folder;
                if ((fate & 1) && Drop(w, op.to, 0, &target) && target.id != op.id && !target.folder)
                    w.nodes[target.id].freed = true;
                if (fate & 2) Drop(w, op.from, op.id, &source);
                else if (const Entry* e = At(w, op.from)) source.readOnly = e->id == op.id && e->readOnly;
                if ((fate & 4) && parent >= 0 && !Find(w, parent, name))
                    Add(w, parent, name, op.folder, op.id, source.readOnly);
                break;
            }
            case Op::Remove: {
                Entry gone;
                if (fate && Drop(w, op.from, op.id, &gone) && !gone.folder) w.nodes[gone.id].freed = true;
                break;
            }
            case Op::ReadOnly:
                if (Entry* e = At(w, op.from)) e->readOnly = op.readOnly;
                break;
            case Op::Flush:
                break;
        }
    }

    void Record(Op op) {
        const std::string path = op.to.empty() ? op.from : op.to;
        op.durable = !settled || op.folder;  // a folder moves only as a drive is pulled
        for (const std::string& f : durableFolders)
            if (Below(path, f)) op.durable = true;
        Apply(live, op, Fates(op.kind) - 1);
        if (settled) journal.push_back(op);
    }

    bool Fails(unkind::Fault kind, const std::string& path) {
        if (!settled) return false;
        for (const std::string& f : durableFolders)
            if (Below(path, f)) return false;
        if (calls[kind]++ != failAt || kind != failKind) return false;
        fired = true;
        return true;
    }

    bool Held(int node) const {
        for (const auto& h : handles)
            if (h.second.node == node) return true;
        return false;
    }

    // Whether the flush j reached the disk before a cut after the first cut
    // steps: a flush to the device's cache only with a later full flush on its volume.
    bool Reached(size_t j, size_t cut) const {
        if (journal[j].deviceToo) return true;
        for (size_t k = j + 1; k < cut; ++k)
            if (journal[k].kind == Op::Flush && journal[k].deviceToo && journal[k].volume == journal[j].volume)
                return true;
        return false;
    }

    // Whether change i is durable at a cut after the first cut steps.
    bool Durable(size_t i, size_t cut) const {
        const Op& op = journal[i];
        if (op.durable) return true;
        if (op.kind == Op::Remove) return false;  // no handle left to flush it
        for (size_t j = i + 1; j < cut; ++j) {
            const Op& f = journal[j];
            if (f.kind != Op::Flush) continue;
            if ((op.kind == Op::MakeFolder ? Below(f.from, Norm(op.to)) : f.id == op.id) && Reached(j, cut))
                return true;
        }
        return false;
    }

    int WorldVolume(const std::string& path) {
        for (const std::string& m : mounts)
            if (Norm(path) == m) return nextId;
        std::string name;
        const int parent = Parent(live, path, name);
        return parent <= 0 ? nextId : live.folders.at(parent).volume;
    }
};

Layer& L() {
    static Layer layer;
    return layer;
}

std::string ContentOf(const World& w, int node) {
    const Node& n = w.nodes.at(node);
    return n.freed ? std::string(n.data->size(), '\xDD') : *n.data;
}

bool MakeFolderLocked(Layer& l, const std::string& path) {
    std::string name;
    const int parent = Layer::Parent(l.live, path, name);
    if (parent < 0 || Layer::Find(l.live, parent, name)) return false;
    Op op = NewOp(Op::MakeFolder);
    op.to = path;
    op.volume = l.WorldVolume(path);
    op.id = l.nextId++;
    l.Record(op);
    return true;
}
}  // namespace

namespace unkind {

void Reset(const std::vector<std::string>& folders) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    l.live = World();
    l.journal.clear();
    l.mounts.clear();
    l.durableFolders.clear();
    l.handles.clear();
    l.calls.clear();
    l.settled = l.fired = false;
    l.failKind = Fault::None;
    for (const std::string& folder : folders) {
        const std::vector<std::string> parts = Parts(folder);
        std::string path;
        for (const std::string& part : parts) MakeFolderLocked(l, path += "\\" + part);
    }
}

void Mount(const std::string& folder) {
    const std::lock_guard<std::mutex> g(L().m);
    L().mounts.push_back(Norm(folder));
}

void KeepDurable(const std::string& folder) {
    const std::lock_guard<std::mutex> g(L().m);
    L().durableFolders.push_back(Norm(folder));
}

void Settle() {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    l.initial = l.live;
    l.journal.clear();
    l.calls.clear();
    l.settled = true;
}

void SetReadOnly(const std::string& path) {
    const std::lock_guard<std::mutex> g(L().m);
    Op op = NewOp(Op::ReadOnly);
    op.from = path;
    L().Record(op);
}

void FailAt(Fault kind, int nth) {
    const std::lock_guard<std::mutex> g(L().m);
    L().failKind = kind;
    L().failAt = nth;
}

bool FaultFired() {
    const std::lock_guard<std::mutex> g(L().m);
    return L().fired;
}

size_t Steps() {
    const std::lock_guard<std::mutex> g(L().m);
    return L().journal.size();
}

void ShowCut(size_t cut, const std::function<std::uint32_t(std::uint32_t)>& choose) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    World w = l.initial;
    for (size_t i = 0; i < cut && i < l.journal.size(); ++i) {
        const int fates = Fates(l.journal[i].kind);
        Layer::Apply(w, l.journal[i], l.Durable(i, cut) ? fates - 1 : static_cast<int>(choose(fates)));
    }
    l.live = w;
    l.handles.clear();
    l.settled = false;  // the next start's own changes are not journalled
}

std::string ShortNameOf(const std::string& longName) { return Layer::ShortName(World(), -1, longName); }

}  // namespace unkind

// The file layer's functions over the world.

FILE* OpenNative(const std::string&, const char*) { return nullptr; }

namespace {
bool IdentityLocked(const World& w, const std::string& path, FileIdentity& identity) {
    int folder = 0;
    const Entry* e = Layer::At(const_cast<World&>(w), path, &folder);
    if (!e) {
        if (!Parts(path).empty()) return false;
        identity = FileIdentity{0, 0};  // the root
        return true;
    }
    identity.volume = static_cast<unsigned long long>(w.folders.at(folder).volume);
    identity.index = (static_cast<unsigned long long>(folder) << 20) | static_cast<unsigned long long>(e->slot);
    return true;
}
}  // namespace

PathOccupant WhatAnswersAt(const std::string& path) {
    const std::lock_guard<std::mutex> g(L().m);
    PathOccupant o;
    o.exists = o.identified = IdentityLocked(L().live, path, o.identity);
    if (const Entry* e = Layer::At(L().live, path)) {
        o.longName = e->name;
        o.readOnly = e->readOnly;
    }
    return o;
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
    const std::lock_guard<std::mutex> g(L().m);
    return IdentityLocked(L().live, path, identity);
}

bool SameFileName(const std::string& a, const std::string& b) { return Same(a, b); }

NewFile CreateNewFile(const std::string& path) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    std::string name;
    const int parent = Layer::Parent(l.live, path, name);
    if (parent < 0) return NewFile::Failed;
    if (Layer::Find(l.live, parent, name)) return NewFile::Exists;
    Op op = NewOp(Op::MakeFile);
    op.to = path;
    op.id = l.nextId++;
    l.Record(op);
    return NewFile::Created;
}

bool PathExists(const std::string& path) {
    FileIdentity ignored;
    return IdentityOf(path, ignored);
}

bool IsFolder(const std::string& path) {
    const std::lock_guard<std::mutex> g(L().m);
    const Entry* e = Layer::At(L().live, path);
    return e ? e->folder : Parts(path).empty();
}

bool CreateFolder(const std::string& path) {
    const std::lock_guard<std::mutex> g(L().m);
    return MakeFolderLocked(L(), path);
}

long long FileSize(const std::string& path) {
    const std::lock_guard<std::mutex> g(L().m);
    const Entry* e = Layer::At(L().live, path);
    if (!e || e->folder) return -1;
    return static_cast<long long>(L().live.nodes.at(e->id).data->size());
}

bool DeleteFileAt(const std::string& path) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const Entry* e = Layer::At(l.live, path);
    if (!e || e->folder || e->readOnly || l.Held(e->id) || l.Fails(unkind::Fault::Remove, path)) return false;
    Op op = NewOp(Op::Remove);
    op.from = path;
    op.id = e->id;
    l.Record(op);
    return true;
}

bool MakeWritable(const std::string& path) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const Entry* e = Layer::At(l.live, path);
    if (!e || e->folder) return false;
    Op op = NewOp(Op::ReadOnly);
    op.from = path;
    op.readOnly = false;
    l.Record(op);
    return true;
}

bool MoveOver(const std::string& from, const std::string& to) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const Entry* source = Layer::At(l.live, from);
    const Entry* target = Layer::At(l.live, to);
    std::string name;
    if (!source || Layer::Parent(l.live, to, name) < 0 || l.Held(source->id)) return false;
    if (target && target != source && (target->folder || target->readOnly || l.Held(target->id))) return false;
    if (l.Fails(unkind::Fault::Rename, from)) return false;
    Op op = NewOp(Op::Rename);
    op.from = from;
    op.to = to;
    op.id = source->id;
    op.folder = source->folder;
    op.replace = true;
    l.Record(op);
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& content) {
    const std::lock_guard<std::mutex> g(L().m);
    content.clear();
    const Entry* e = Layer::At(L().live, path);
    if (!e || e->folder || L().Held(e->id)) return false;
    const std::string data = ContentOf(L().live, e->id);
    content.assign(data.begin(), data.end());
    return true;
}

bool WriteWholeFile(const std::string& path, const unsigned char* data, size_t size) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    std::string name;
    const int parent = Layer::Parent(l.live, path, name);
    if (parent < 0) return false;
    const Entry* e = Layer::Find(l.live, parent, name);
    if (e && (e->folder || e->readOnly || l.Held(e->id))) return false;
    if (l.Fails(unkind::Fault::Write, path)) return false;
    int node = e ? e->id : 0;
    if (!e) {
        Op make = NewOp(Op::MakeFile);
        make.to = path;
        make.id = node = l.nextId++;
        l.Record(make);
    }
    Op write = NewOp(Op::Write);
    write.to = path;
    write.id = node;
    write.data = std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size);
    l.Record(write);
    return true;
}

bool AppendToFile(const std::string& path, const std::string& text) {
    std::vector<unsigned char> content;
    ReadWholeFile(path, content);
    content.insert(content.end(), text.begin(), text.end());
    return WriteWholeFile(path, content.data(), content.size());
}

std::vector<std::string> ListFolder(const std::string& folder) {
    const std::lock_guard<std::mutex> g(L().m);
    std::vector<std::string> names;
    const Entry* e = Layer::At(L().live, folder);
    if (!e && !Parts(folder).empty()) return names;
    if (e && !e->folder) return names;
    for (const Entry& child : L().live.folders.at(e ? e->id : 0).entries) names.push_back(child.name);
    std::sort(names.begin(), names.end());
    return names;
}

// A staged file: open for its holder alone, as the tool opens it.
StagedFile::StagedFile(const std::string& path) : path_(path), handle_(-1) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const Entry* e = Layer::At(l.live, path);
    held_ = e && l.Held(e->id);
    if (!e || e->folder || e->readOnly || held_) return;
    handle_ = l.nextHandle++;
    l.handles[handle_] = {e->id};
}

StagedFile::~StagedFile() {
    const std::lock_guard<std::mutex> g(L().m);
    L().handles.erase(handle_);
}

namespace {
// The open file's node, or -1 for a file that did not open (or a world that a cut replaced).
int NodeOf(std::intptr_t handle) {
    const auto it = L().handles.find(handle);
    return it == L().handles.end() ? -1 : it->second.node;
}
}  // namespace

bool StagedFile::HasSize(unsigned long long size) {
    const std::lock_guard<std::mutex> g(L().m);
    const int node = NodeOf(handle_);
    return node >= 0 && L().live.nodes.at(node).data->size() == size;
}

bool StagedFile::Read(size_t size, std::vector<unsigned char>& content) {
    const std::lock_guard<std::mutex> g(L().m);
    const int node = NodeOf(handle_);
    if (node < 0) return false;
    const std::string data = ContentOf(L().live, node);
    content.assign(data.begin(), data.end());
    return data.size() == size;
}

bool StagedFile::Write(const unsigned char* data, size_t size) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const int node = NodeOf(handle_);
    if (node < 0 || l.Fails(unkind::Fault::Write, path_)) return false;
    std::string content = ContentOf(l.live, node);
    if (content.size() < size) content.resize(size);
    content.replace(0, size, reinterpret_cast<const char*>(data), size);
    Op op = NewOp(Op::Write);
    op.to = path_;
    op.id = node;
    op.data = std::make_shared<const std::string>(content);
    l.Record(op);
    return true;
}

bool StagedFile::Rewrite(size_t size, const std::function<void(unsigned char*, size_t)>& change) {
    std::vector<unsigned char> content;
    if (!Read(size, content)) return false;
    change(content.data(), size);
    return Write(content.data(), size);
}

namespace {
bool FlushStaged(std::intptr_t handle, const std::string& path, bool deviceToo) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const int node = NodeOf(handle);
    std::string name;
    const int folder = Layer::Parent(l.live, path, name);
    if (node < 0 || folder < 0 || l.Fails(unkind::Fault::Flush, path)) return false;
    Op op = NewOp(Op::Flush);
    op.from = path;
    op.id = node;
    op.volume = l.live.folders.at(folder).volume;
    op.deviceToo = deviceToo;
    l.Record(op);
    return true;
}
}  // namespace

bool StagedFile::Flush() { return FlushStaged(handle_, path_, true); }

bool StagedFile::FlushWithoutDeviceCache() { return FlushStaged(handle_, path_, false); }

bool StagedFile::Identity(FileIdentity& identity) {
    const std::lock_guard<std::mutex> g(L().m);
    return NodeOf(handle_) >= 0 && IdentityLocked(L().live, path_, identity);
}

StagedFile::Move StagedFile::MoveTo(const std::string& path, bool replace) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const int node = NodeOf(handle_);
    std::string name;
    if (node < 0 || Layer::Parent(l.live, path, name) < 0) return Move::Failed;
    const Entry* target = Layer::At(l.live, path);
    if (target && target->id != node) {
        if (!replace) return Move::Taken;
        if (target->folder || target->readOnly || l.Held(target->id)) return Move::Failed;
    }
    if (l.Fails(unkind::Fault::Rename, path)) return Move::Failed;
    Op op = NewOp(Op::Rename);
    op.from = path_;
    op.to = path;
    op.id = node;
    op.replace = replace;
    l.Record(op);
    path_ = path;
    return Move::Moved;
}
