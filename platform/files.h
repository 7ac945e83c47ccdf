#pragma once
// Whole-file reads and writes; errors are std::runtime_error with the path in the message.
#include <string>

namespace platform {

bool FileExists(const std::string& path);
std::string ReadAllBytes(const std::string& path);
// Creates or truncates.
void WriteAllBytes(const std::string& path, const std::string& bytes);
// Writes a temporary file beside the target and renames it over, so readers never see a torn file.
void ReplaceFileAtomically(const std::string& path, const std::string& bytes);
// Appends while no other writer may write the file; creates it when missing.
void AppendExclusive(const std::string& path, const std::string& bytes);
// Folder part of a path, with a trailing separator.
std::string DirectoryOf(const std::string& path);

}  // namespace platform
