#pragma once
// A file layer as unkind as Windows allows, in memory, linked in place of the
// real one (every function of platform/Files.h):
// - names: compared without regard to case (code page 1252), each file also
//   answers to an 8.3 short name;
// - identity: as on FAT, the place of the file's directory entry, which a
//   rename to a longer name moves and which the next file reuses once freed;
// - sharing: a staged file is open for its holder alone; read-only files
//   refuse to be replaced, written or removed;
// - durability: every change is journalled; a change is durable only once the
//   file's own handle was flushed after it (a removal never is; a flush that
//   spares the device's cache counts only once a later full flush on that
//   volume succeeded), and a power
//   cut after any step may leave any state the pessimistic model allows:
//   unflushed bytes kept, lost or torn, a rename as any subset of its steps
//   (old name, new name, neither, both names on the same clusters), freed
//   clusters read as garbage;
// - faults: the nth write, flush, rename or removal may fail.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace unkind {

// An empty world holding only these folders (and their parents).
void Reset(const std::vector<std::string>& folders);
// A folder created at this path later is a volume of its own (a stick).
void Mount(const std::string& folder);
// Changes below this folder are durable at once (the key, a device of its own).
void KeepDurable(const std::string& folder);
// Everything so far becomes the durable state before the run; the journal starts.
void Settle();
void SetReadOnly(const std::string& path);

// How every volume but a mounted stick (always FAT) names itself, flushes,
// renames and answers for identities:
// - Fat: "FAT32"; a rename at a cut lands as any subset of its steps;
// - Ntfs: "NTFS"; a rename at a cut is all or nothing;
// - Remote: a share ("NTFS", remote); every identity is 0, and a flush that
//   spares the device's cache counts for nothing (the device is the server);
// - Refusing: "NTFS", but refuses a flush that spares the device's cache;
// - RemoteOneIdentity: a share whose server gives every file one identity, not 0.
enum class VolumeKind { Fat, Ntfs, Remote, Refusing, RemoteOneIdentity };
inline bool IsRemote(VolumeKind kind) { return kind == VolumeKind::Remote || kind == VolumeKind::RemoteOneIdentity; }
void SetVolumeKind(VolumeKind kind);

// VolumeFlush: the full flush through a scratch file that answers for a volume.
enum class Fault { None, Write, Flush, Rename, Remove, VolumeFlush };
// The nth (from 0) call of that kind after Settle fails, outside the durable folders.
void FailAt(Fault kind, int nth);
bool FaultFired();

// The steps journalled since Settle.
size_t Steps();
// The live world becomes one state that a power cut after the first cut steps
// may leave; choose(n) picks 0 to n - 1 (each pending change's fate).
void ShowCut(size_t cut, const std::function<std::uint32_t(std::uint32_t)>& choose);

// The short name the world gives a new file of this long name in an empty folder.
std::string ShortNameOf(const std::string& longName);

}  // namespace unkind
