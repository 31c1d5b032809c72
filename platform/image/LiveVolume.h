#pragma once
// Whole named streams on live ntfs-3g mounts: the mount's extended-attribute interface hands out
// none over 64 KiB, so such a stream is read from the device or image file beneath the mount,
// read-only, where the user may read it (root, the disk group, an image the user owns).

namespace sondrel::image {

// Installs the reader into the backup calls; the programs call it once at start-up.
void InstallLiveVolumeReader();

} // namespace sondrel::image
