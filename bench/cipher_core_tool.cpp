// SPDX-License-Identifier: GPL-3.0-or-later
// The cipher entries alone, as the message path calls them, as a process of its own: its peak
// memory shows what the cipher needs, without the Qt libraries the program loads.
//
//   tessamail_cipher_core_tool encrypt|decrypt INPUT OUTPUT
//       (the extended reduced key, as the cipher gets it, on standard input)
//
// encrypt: package -> armoured text (oi, eb, cob); decrypt: armoured text -> package (oi,
// dcob, oi, db). Every output buffer is a fresh zero-filled one of the program's size.
#include "backends/cipher/cipher.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// out: a fresh buffer; r: the entry's result. Only a positive count is output.
std::string call(int (*entry)(const char*, int, char*, int), const std::string& in, int& r) {
    std::vector<char> out(Cipher::kBufferSize, '\0');
    r = entry(in.data(), int(in.size()), out.data(), int(out.size()));
    return r > 0 ? std::string(out.data(), std::size_t(r)) : std::string();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::cerr << "usage: tessamail_cipher_core_tool encrypt|decrypt INPUT OUTPUT\n";
        return 2;
    }
    const std::string mode = argv[1];
    std::string key;
    std::getline(std::cin, key);
    const std::string input = readFile(argv[2]);
    if (!Cipher::alb())
        return 3;

    int r = 0;
    std::string output;
    if (mode == "encrypt") {
        Cipher::oi(key.c_str(), 1, int(input.size()));
        const std::string cipherBytes = call(Cipher::eb, input, r);
        if (r > 0)
            output = call(Cipher::cob, cipherBytes, r);
    } else if (mode == "decrypt") {
        Cipher::oi(key.c_str(), 0, 0);
        const std::string cipherBytes = call(Cipher::dcob, input, r);
        if (r > 0) {
            Cipher::oi(key.c_str(), 1, int(cipherBytes.size()));
            output = call(Cipher::db, cipherBytes, r);
        }
    } else {
        return 2;
    }
    Cipher::dalb();
    if (r <= 0) {
        std::cerr << mode << " failed: " << r << '\n';
        return 1;
    }
    std::ofstream(argv[3], std::ios::binary).write(output.data(), std::streamsize(output.size()));
    return 0;
}
