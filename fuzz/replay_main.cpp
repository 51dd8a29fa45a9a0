// A stand-in for libFuzzer's driver where the compiler has none (g++): runs a target over the
// given corpus files and directories, then over seeded mutations of them for a bounded number
// of runs or seconds, so that CI catches regressions with the native sanitizers.
//   replay [-runs=N] [-max_total_time=S] corpus_dir_or_file...
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

bool ReadFile(const std::filesystem::path& path, Bytes& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

void Run(const Bytes& input) {
    // A private copy, so that reading past the end is caught as it would be under libFuzzer.
    Bytes copy(input);
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
}

uint64_t Next(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

Bytes Mutate(const std::vector<Bytes>& corpus, uint64_t& state) {
    Bytes b = corpus[Next(state) % corpus.size()];
    const int edits = 1 + int(Next(state) % 8);
    static const uint8_t kSpecial[] = {0, 1, 0x7F, 0x80, 0xFF, '0', '9', '-', ' ', '=', '\n', '#'};
    for (int e = 0; e < edits; ++e) {
        const size_t at = b.empty() ? 0 : Next(state) % b.size();
        switch (Next(state) % 6) {
        case 0:
            if (!b.empty()) {
                b[at] ^= uint8_t(1u << (Next(state) % 8));
            }
            break;
        case 1:
            if (!b.empty()) {
                b[at] = kSpecial[Next(state) % sizeof kSpecial];
            }
            break;
        case 2:
            b.insert(b.begin() + std::ptrdiff_t(at), uint8_t(Next(state)));
            break;
        case 3:
            if (!b.empty()) {
                b.erase(b.begin() + std::ptrdiff_t(at));
            }
            break;
        case 4:
            b.resize(at); // truncation
            break;
        default: {
            const Bytes& other = corpus[Next(state) % corpus.size()];
            if (!other.empty()) {
                const size_t from = Next(state) % other.size();
                const size_t n = std::min<size_t>(other.size() - from, 1 + Next(state) % 64);
                b.insert(b.begin() + std::ptrdiff_t(at), other.begin() + std::ptrdiff_t(from),
                         other.begin() + std::ptrdiff_t(from + n));
            }
        }
        }
    }
    return b;
}

} // namespace

int main(int argc, char** argv) {
    long runs = 0;
    long seconds = 10;
    std::vector<Bytes> corpus;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-runs=", 6) == 0) {
            runs = std::atol(argv[i] + 6);
            continue;
        }
        if (std::strncmp(argv[i], "-max_total_time=", 16) == 0) {
            seconds = std::atol(argv[i] + 16);
            continue;
        }
        const std::filesystem::path path(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
        } else {
            files.push_back(path);
        }
        for (const auto& file : files) {
            Bytes bytes;
            if (!ReadFile(file, bytes)) {
                std::fprintf(stderr, "replay: cannot read %s\n", file.string().c_str());
                return 2;
            }
            corpus.push_back(std::move(bytes));
        }
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "replay: no corpus given\n");
        return 2;
    }
    for (const Bytes& input : corpus) {
        Run(input);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    long done = 0;
    while (done < runs && std::chrono::steady_clock::now() < deadline) {
        Run(Mutate(corpus, state));
        ++done;
    }
    std::printf("replay: %zu corpus inputs and %ld mutations passed\n", corpus.size(), done);
    return 0;
}
