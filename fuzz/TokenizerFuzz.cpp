// Every text data file goes through the tokenizer first: any bytes must lex to the end
// without reading outside its line buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/TextTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Input.txt", data, size);
    CTextTokenizer tokenizer;
    if (tokenizer.Open(path) != 0) return 0;
    std::string token;
    while (tokenizer.NextToken(token) > 0) {
        StrToUpper(token);
        (void)StripQuotes(token);
    }
    return 0;
}
