// SPDX-License-Identifier: Apache-2.0
// CSysUtils: path splitting and joining on plain byte strings, and the file tests.
#include <vesk/sysutils.h>

#include <sys/stat.h>

#include <cstdio>

namespace Vesk {

namespace {

// Directory separators of the splitting operations.
const char kSeparators[] = "\\/";
// What decides the absolute-path test: the first separator or dot.
const char kSeparatorsAndDot[] = "\\/.";

}  // namespace

std::string CSysUtils::GetExecutableDir() {
    return ".";
}

std::string CSysUtils::ExpandEnvironmentVariables(const std::string& text) {
    return text;
}

std::string CSysUtils::ResolveRelativePath(const std::string& path) {
    return path;
}

std::string CSysUtils::ExtractDir(const std::string& path) {
    const std::string::size_type separator = path.find_last_of(kSeparators);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string CSysUtils::ExtractFileName(const std::string& path) {
    const std::string::size_type separator = path.find_last_of(kSeparators);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string CSysUtils::ExtractFileExtension(const std::string& path) {
    const std::string::size_type separator = path.find_last_of(kSeparators);
    const std::string::size_type dot = path.rfind('.');
    // A dot before the last separator belongs to a directory name, not to the file.
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
        return std::string();
    }
    return path.substr(dot + 1);
}

std::string CSysUtils::MakeFullPath(const std::string& directory, const std::string& name) {
    std::string full = ResolveRelativePath(directory);
    if (!full.empty() && full.back() != '/') {
        full += '/';
    }
    full += name;
    return full;
}

bool CSysUtils::IsAbsolutePath(const std::string& path) {
    const std::string::size_type first = path.find_first_of(kSeparatorsAndDot);
    if (first == std::string::npos || path[first] == '.') {
        return false;
    }
    return first == 0 || path[first - 1] == ':';
}

bool CSysUtils::FileExists(const std::string& path) {
    FILE* stream = std::fopen(path.c_str(), "r");
    if (stream == nullptr) {
        return false;
    }
    std::fclose(stream);
    return true;
}

bool CSysUtils::DirectoryExists(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) {
        return false;
    }
    return (status.st_mode & S_IFMT) == S_IFDIR;
}

bool CSysUtils::RemoveFile(const std::string& path) {
    return std::remove(path.c_str()) == 0;
}

void CSysUtils::SearchFiles(const char*, const char*, int (*)(const char*, void*), void*) {}

}  // namespace Vesk
