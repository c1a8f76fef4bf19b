#include "tests/dns/service_numbers.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cctype>
#include <sstream>

namespace qs::test {

std::string WksNumbers(const std::string &text)
{
    std::istringstream words(text);
    std::string word, out;
    for (int i = 0; words >> word; ++i) {
        const bool named = !std::isdigit(static_cast<unsigned char>(word[0]));
        if (i == 1 && named && ::getprotobyname(word.c_str()) != nullptr)
            word = std::to_string(::getprotobyname(word.c_str())->p_proto);
        else if (i > 1 && named && ::getservbyname(word.c_str(), nullptr) != nullptr)
            word = std::to_string(ntohs(static_cast<std::uint16_t>(::getservbyname(word.c_str(), nullptr)->s_port)));
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

}  // namespace qs::test
