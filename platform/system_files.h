// The platform's own file operations, one definition per platform
// (files_win32.cpp, files_posix.cpp), gathered into the table by files.cpp.
// Each has the contract of the FileOps member of the same name; the copy is
// made of them in files.cpp.
#ifndef WARDEN_PLATFORM_SYSTEM_FILES_H
#define WARDEN_PLATFORM_SYSTEM_FILES_H

#include "platform/files.h"

namespace warden::platform::system_files {

bool Exists(const std::u16string& path);
FileHandle OpenRead(const std::u16string& path);
FileHandle Create(const std::u16string& path, const std::u16string& rights_of);
bool Read(FileHandle file, void* buffer, std::size_t size, std::size_t* got);
bool Write(FileHandle file, const void* buffer, std::size_t size);
bool Flush(FileHandle file);
bool Close(FileHandle file);
bool Remove(const std::u16string& path);
bool Rename(const std::u16string& from, const std::u16string& to);
bool Replace(const std::u16string& from, const std::u16string& to);
bool Size(FileHandle file, std::uint64_t* bytes);
FileHandle Lock(const std::u16string& path, std::uint32_t wait_ms);
bool Unlock(FileHandle lock);

}  // namespace warden::platform::system_files

#endif
