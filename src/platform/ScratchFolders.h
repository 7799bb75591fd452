#pragma once

#include <QString>

// The temporary folders the disk image drives work in, and their clean-up after a tool that was
// killed (SIGKILL) could not remove its own. Internal to the platform layer.
namespace bg::scratch {

// A roomy folder in memory when there is one (the runtime folder, else /dev/shm, with at
// least a gigabyte free), else the temporary folder: where files of a disk image are copied
// out and in.
QString fastFolder();

// A QTemporaryDir template for this process: FOLDER/bootgallery-NAME-PID-XXXXXX.
QString folderTemplate(const QString &folder, const QString &name);

// Removes the folders made from such templates, in the temporary folder and in fastFolder(),
// whose process has ended.
void removeLeftBehind();

} // namespace bg::scratch
