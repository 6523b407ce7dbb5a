// Replays every file under the given paths through the fuzz target, plus a number of
// mutations of each (--mutations=N, default 2000), so a plain build can exercise the target
// without libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::mt19937 rng(12345);
    size_t runs = 0;
    int mutations = 2000;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--mutations=", 0) == 0) {
            mutations = std::stoi(arg.substr(12));
            continue;
        }
        std::filesystem::path root(arg);
        if (!std::filesystem::exists(root)) {
            std::cerr << "no corpus at " << root << std::endl;
            continue;
        }
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root)) {
            for (auto& e : std::filesystem::recursive_directory_iterator(root))
                if (e.is_regular_file()) files.push_back(e.path());
            std::sort(files.begin(), files.end());  // same order, same mutations, every run
        } else {
            files.push_back(root);
        }
        for (auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++runs;
            for (int m = 0; m < mutations; ++m) {
                std::vector<uint8_t> mutated = bytes;
                int edits = 1 + static_cast<int>(rng() % 8);
                for (int e = 0; e < edits; ++e) {
                    switch (rng() % 3) {
                        case 0:
                            if (!mutated.empty())
                                mutated[rng() % mutated.size()] = static_cast<uint8_t>(rng());
                            break;
                        case 1:
                            mutated.insert(
                                mutated.begin() + (mutated.empty() ? 0 : rng() % mutated.size()),
                                static_cast<uint8_t>(rng()));
                            break;
                        default:
                            if (!mutated.empty()) mutated.resize(rng() % mutated.size());
                    }
                }
                LLVMFuzzerTestOneInput(mutated.data(), mutated.size());
                ++runs;
            }
        }
    }
    std::cout << runs << " inputs run" << std::endl;
    return 0;
}
