#include "UnkindWorld.h"

#include <algorithm>

namespace unkind {
namespace world {
Op NewOp(Op::Kind kind) {
    Op op;
    op.kind = kind;
    return op;
}

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

int Layer::Parent(const World& w, const std::string& path, std::string& name) {
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

const Entry* Layer::Find(const World& w, int folder, const std::string& name) {
    for (const Entry& e : w.folders.at(folder).entries)
        if (Same(e.name, name) || Same(e.shortName, name)) return &e;
    return nullptr;
}

Entry* Layer::At(World& w, const std::string& path, int* parent) {
    std::string name;
    const int folder = Parent(w, path, name);
    if (folder < 0) return nullptr;
    if (parent) *parent = folder;
    return const_cast<Entry*>(Find(w, folder, name));
}

std::string Layer::ShortName(const World& w, int folder, const std::string& name) {
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

void Layer::Add(World& w, int folder, const std::string& name, bool isFolder, int id, bool readOnly) {
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

bool Layer::Drop(World& w, const std::string& path, int id, Entry* dropped) {
    int folder = 0;
    Entry* e = At(w, path, &folder);
    if (!e || (id && e->id != id)) return false;
    if (dropped) *dropped = *e;
    std::vector<Entry>& entries = w.folders.at(folder).entries;
    entries.erase(entries.begin() + (e - entries.data()));
    return true;
}

void Layer::Apply(World& w, const Op& op, int fate) {
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

void Layer::Record(Op op) {
    const std::string path = op.to.empty() ? op.from : op.to;
    op.durable = !settled || op.folder;  // a folder moves only as a drive is pulled
    for (const std::string& f : durableFolders)
        if (Below(path, f)) op.durable = true;
    Apply(live, op, Fates(op.kind) - 1);
    if (settled) journal.push_back(op);
}

bool Layer::Fails(unkind::Fault kind, const std::string& path) {
    if (!settled) return false;
    for (const std::string& f : durableFolders)
        if (Below(path, f)) return false;
    // A mounted drive as a whole is pulled by the harness, never moved by the tool.
    for (const std::string& m : mounts)
        if (Norm(path) == m) return false;
    if (calls[kind]++ != failAt || kind != failKind) return false;
    fired = true;
    return true;
}

bool Layer::Held(int node) const {
    for (const auto& h : handles)
        if (h.second.node == node) return true;
    return false;
}

bool Layer::Reached(size_t j, size_t cut) const {
    if (journal[j].deviceToo) return true;
    if (!journal[j].counts) return false;
    for (size_t k = j + 1; k < cut; ++k)
        if (journal[k].kind == Op::Flush && journal[k].deviceToo && journal[k].volume == journal[j].volume)
            return true;
    return false;
}

bool Layer::Durable(size_t i, size_t cut) const {
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

int Layer::WorldVolume(const std::string& path) {
    for (const std::string& m : mounts)
        if (Norm(path) == m) return nextId;
    std::string name;
    const int parent = Parent(live, path, name);
    return parent <= 0 ? nextId : live.folders.at(parent).volume;
}

unkind::VolumeKind Layer::KindAt(const std::string& path) const {
    for (const std::string& m : mounts)
        if (Norm(path) == m || Below(path, m)) return unkind::VolumeKind::Fat;
    return kind;
}

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
}  // namespace world

using namespace world;
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
    l.kind = VolumeKind::Fat;
    for (const std::string& folder : folders) {
        const std::vector<std::string> parts = Parts(folder);
        std::string path;
        for (const std::string& part : parts) MakeFolderLocked(l, path += "\\" + part);
    }
}

void SetVolumeKind(VolumeKind kind) {
    const std::lock_guard<std::mutex> g(L().m);
    L().kind = kind;
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
        const Op& op = l.journal[i];
        const int fates = Fates(op.kind);
        const int fate = l.Durable(i, cut) ? fates - 1
                         : op.atomic      ? (choose(2) ? fates - 1 : 0)
                                          : static_cast<int>(choose(fates));
        Layer::Apply(w, op, fate);
    }
    l.live = w;
    l.handles.clear();
    l.settled = false;  // the next start's own changes are not journalled
}

std::string ShortNameOf(const std::string& longName) { return Layer::ShortName(World(), -1, longName); }
}  // namespace unkind
