// What dig says about a name on the local test servers, for comparing our answers with.
#pragma once
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace qs::test {

// dig's short answer over TCP, one line per record, names without their final dot.
inline std::vector<std::string> Dig(int port, const std::string &name, const std::string &type)
{
    std::string command = "dig +short +tcp @127.0.0.1 -p " + std::to_string(port) + " " + name + " " + type;
    std::vector<std::string> lines;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return lines;
    char line[8192];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream words(line);
        std::string word, joined;
        while (words >> word) {
            if (word.size() > 1 && word.back() == '.')
                word.pop_back();
            joined += (joined.empty() ? "" : " ") + word;
        }
        lines.push_back(joined);
    }
    ::pclose(pipe);
    return lines;
}

// Character strings (a length octet and its text, as the TXT text keeps them) in dig's quoted form.
inline std::string Quoted(const std::string &strings)
{
    std::string out;
    for (std::size_t at = 0; at < strings.size();) {
        std::size_t length = static_cast<std::uint8_t>(strings[at]);
        out += (out.empty() ? "\"" : " \"") + strings.substr(at + 1, length) + "\"";
        at += 1 + length;
    }
    return out;
}

}  // namespace qs::test
