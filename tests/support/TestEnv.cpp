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

std::vector<std::string> LinesWithEnds(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(from, next - from));
        from = next;
    }
    return lines;
}

} // namespace vexmoor::test
