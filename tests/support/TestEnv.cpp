#include "support/TestEnv.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <chrono>

namespace vexmoor::test {

ScopedWorkDir::ScopedWorkDir() : previous_(std::filesystem::current_path())
{
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("vexmoor-test-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
            std::to_string(counter++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
}

ScopedWorkDir::~ScopedWorkDir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(dir_, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vexmoor::test
