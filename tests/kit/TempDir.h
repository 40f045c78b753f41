#pragma once
// A fresh temporary folder per test, removed with everything in it afterwards.

#include <filesystem>
#include <string>

namespace tallyvox::testkit {

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return Path_; }

private:
    std::filesystem::path Path_;
};

// Makes a folder the current directory for the life of the object.
class TCurrentDir {
public:
    explicit TCurrentDir(const std::filesystem::path& path);
    ~TCurrentDir();
    TCurrentDir(const TCurrentDir&) = delete;
    TCurrentDir& operator=(const TCurrentDir&) = delete;

private:
    std::filesystem::path Previous;
};

// Every byte of a file, as a string; empty when it cannot be read.
std::string FileContents(const std::filesystem::path& path);

} // namespace tallyvox::testkit
