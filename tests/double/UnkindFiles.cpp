// The file layer's functions over the unkind world.
#include "ShortName.h"
#include "UnkindWorld.h"

#include <algorithm>
#include <mutex>

#include "platform/Files.h"
#include "platform/FilesNative.h"
#include "platform/Text.h"

using namespace unkind::world;

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
    // A server that answers 0 for every file, or one value for all.
    const unkind::VolumeKind kind = L().KindAt(path);
    if (unkind::IsRemote(kind)) identity.index = kind == unkind::VolumeKind::Remote ? 0 : 0x5EED;
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

namespace {
// A new empty file at path, its node in node; the layer's lock held.
NewFile MakeFileLocked(Layer& l, const std::string& path, int& node) {
    std::string name;
    const int parent = Layer::Parent(l.live, path, name);
    if (parent < 0) return NewFile::Failed;
    if (Layer::Find(l.live, parent, name)) return NewFile::Exists;
    Op op = NewOp(Op::MakeFile);
    op.to = path;
    op.id = node = l.nextId++;
    l.Record(op);
    return NewFile::Created;
}
}  // namespace

NewFile CreateNewFile(const std::string& path) {
    const std::lock_guard<std::mutex> g(L().m);
    int node = 0;
    return MakeFileLocked(L(), path, node);
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

bool SetReadOnly(const std::string& path, bool readOnly) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    const Entry* e = Layer::At(l.live, path);
    if (!e || e->folder) return false;
    Op op = NewOp(Op::ReadOnly);
    op.from = path;
    op.readOnly = readOnly;
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
    op.atomic = l.KindAt(to) != unkind::VolumeKind::Fat;
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

std::string FullPath(const std::string& path) { return path.rfind('/', 0) == 0 ? CollapsedPath(path) : std::string(); }

bool AppendToFile(const std::string& path, const std::string& text, bool) {
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

StagedFile::~StagedFile() { Release(); }

void StagedFile::Release() {
    const std::lock_guard<std::mutex> g(L().m);
    L().handles.erase(handle_);
    handle_ = -1;
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
    const int node = NodeOf(handle);
    std::string name;
    const int folder = Layer::Parent(l.live, path, name);
    if (node < 0 || folder < 0 || l.Fails(unkind::Fault::Flush, path)) return false;
    Op op = NewOp(Op::Flush);
    op.from = path;
    op.id = node;
    op.volume = l.live.folders.at(folder).volume;
    op.deviceToo = deviceToo;
    op.counts = !unkind::IsRemote(l.KindAt(path));
    l.Record(op);
    return true;
}
}  // namespace

bool StagedFile::Flush() {
    const std::lock_guard<std::mutex> g(L().m);
    return FlushStaged(handle_, path_, true);
}

StagedFile::CacheFlush StagedFile::FlushWithoutDeviceCache() {
    const std::lock_guard<std::mutex> g(L().m);
    if (L().KindAt(path_) == unkind::VolumeKind::Refusing) return CacheFlush::Refused;
    return FlushStaged(handle_, path_, false) ? CacheFlush::Done : CacheFlush::Failed;
}

VolumeInfo VolumeOf(const std::string& path) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    VolumeInfo v;
    const Entry* e = Layer::At(l.live, path);
    std::string name;
    const int folder = e && e->folder ? e->id : Layer::Parent(l.live, path, name);
    if (folder <= 0) return v;
    v.serial = static_cast<unsigned long long>(l.live.folders.at(folder).volume);
    const unkind::VolumeKind kind = l.KindAt(path);
    v.fileSystem = kind == unkind::VolumeKind::Fat ? "FAT32" : "NTFS";
    v.remote = unkind::IsRemote(kind);
    return v;
}

NewFile FlushVolumeThrough(const std::string& scratchPath) {
    Layer& l = L();
    const std::lock_guard<std::mutex> g(l.m);
    int node = 0;
    const NewFile made = MakeFileLocked(l, scratchPath, node);
    if (made != NewFile::Created) return made;
    const std::intptr_t handle = l.nextHandle++;
    l.handles[handle] = {node};
    const bool flushed = !l.Fails(unkind::Fault::VolumeFlush, scratchPath) && FlushStaged(handle, scratchPath, true);
    l.handles.erase(handle);
    Op gone = NewOp(Op::Remove);
    gone.from = scratchPath;
    gone.id = node;
    l.Record(gone);
    return flushed ? NewFile::Created : NewFile::Failed;
}

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
        held_ = l.Held(target->id);
        if (target->folder || target->readOnly || held_) return Move::Failed;
    }
    if (l.Fails(unkind::Fault::Rename, path)) {
        refusal_ = "Fehler 50: Die Anforderung wird nicht unterst\xFCtzt.";  // a file system without rename by handle
        return Move::Failed;
    }
    Op op = NewOp(Op::Rename);
    op.from = path_;
    op.to = path;
    op.id = node;
    op.replace = replace;
    op.atomic = l.KindAt(path) != unkind::VolumeKind::Fat;
    l.Record(op);
    path_ = path;
    return Move::Moved;
}
