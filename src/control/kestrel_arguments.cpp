#include "control/kestrel_arguments.hpp"

#include <charconv>
#include <optional>
#include <string_view>

namespace kestrel {

namespace {

constexpr std::string_view LongOption = "--genetic-code";

std::optional<GeneticCode> codeOfText(std::string_view text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return geneticCodeOf(number);
}

}  // namespace

std::variant<GeneticCode, std::string> geneticCodeOfArguments(const std::vector<std::string>& args) {
    std::optional<std::string> value;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::optional<std::string> given;
        if (arg == "-g" || arg == LongOption) {
            if (i + 1 == args.size()) return std::string(arg) + " needs the number of a genetic code";
            given = args[++i];
        } else if (arg.starts_with(LongOption) && arg.size() > LongOption.size() && arg[LongOption.size()] == '=') {
            given = std::string(arg.substr(LongOption.size() + 1));
        } else {
            continue;  // not an option of this program
        }
        if (value) return "the genetic code is given twice";
        value = given;
    }
    if (!value) return StandardCode;
    if (auto code = codeOfText(*value)) return *code;
    return "'" + *value + "' is not the number of an NCBI genetic code (1 to 6, 9 to 16, 21 to 33)";
}

}  // namespace kestrel
