// A fresh directory for one test, removed with everything in it when the test ends, and small
// file helpers for the tests that work in it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace tarvos::testing {

class TempDir {
public:
    TempDir() {
        // mkdtemp replaces the six X with a unique name.
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-test-").string() + std::string(6, 'X');
        if (::mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category());
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Every entry of the directory, to see that no temporary file was left behind.
    std::size_t EntryCount() const { return CountEntries(path_); }
    static std::size_t CountEntries(const std::filesystem::path& folder) {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fixture for suites where every test works in its own directory.
class TempDirectoryTest : public ::testing::Test {
protected:
    std::filesystem::path Path(std::string_view name) const { return dir_ / name; }
    std::size_t EntryCount() const { return dir_.EntryCount(); }

    TempDir dir_;
};

}  // namespace tarvos::testing
