// Builds the head-test job from its description (head_test_job.txt) and writes it as a C++
// source holding the job's bytes, compiled into the link library; or, for an output named *.bin,
// as the bare bytes (the Windows build carries them as a module resource).
//
// usage: head_test_job_generator <description> <output.cpp | output.bin>
//
// The description is checked as it is read: every row must be as wide as the bitmap head says,
// and the bands must cover every raster row exactly once, in order. Any fault stops the build.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bits = std::vector<bool>;

class DescriptionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses runs such as "o15 3*(z1 o1) o15" into bits; one bit is no dot, zero is a dot.
class RunParser {
  public:
    explicit RunParser(std::string_view text) : text_(text) {}

    Bits parse() {
        Bits bits = sequence();
        skipSpace();
        if (pos_ != text_.size()) {
            throw DescriptionError("unexpected '" + std::string(1, text_[pos_]) + "' in row");
        }
        return bits;
    }

  private:
    Bits sequence() {
        Bits bits;
        while (true) {
            skipSpace();
            if (pos_ == text_.size() || text_[pos_] == ')') {
                return bits;
            }
            const Bits item = element();
            bits.insert(bits.end(), item.begin(), item.end());
        }
    }

    Bits element() {
        const char c = text_[pos_];
        if (c == 'o' || c == 'z') {
            ++pos_;
            return Bits(number(), c == 'o');
        }
        const std::size_t count = number();
        if (!consume('*') || !consume('(')) {
            throw DescriptionError("expected K*( ... ) in row");
        }
        const Bits inner = sequence();
        if (!consume(')')) {
            throw DescriptionError("missing ')' in row");
        }
        Bits bits;
        bits.reserve(inner.size() * count);
        for (std::size_t i = 0; i < count; ++i) {
            bits.insert(bits.end(), inner.begin(), inner.end());
        }
        return bits;
    }

    std::size_t number() {
        const std::size_t start = pos_;
        std::size_t value = 0;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
            value = value * 10 + static_cast<std::size_t>(text_[pos_] - '0');
            if (value > 100000) {
                throw DescriptionError("number too large in row");
            }
            ++pos_;
        }
        if (pos_ == start) {
            throw DescriptionError("expected a number in row");
        }
        return value;
    }

    bool consume(char c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void skipSpace() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

struct Description {
    std::vector<std::string> lines;
    std::string bitmapHead;
    std::size_t widthBytes = 0;
    std::size_t rows = 0;
    std::map<std::string, Bits> rowKinds;
    std::vector<const Bits*> raster;  // one entry per raster row, in order
    std::vector<std::string> closing;
};

// "BITMAP x,y,width-bytes,rows,mode," gives the raster's dimensions.
void parseBitmapHead(Description& d, const std::string& head) {
    std::vector<long> numbers;
    std::istringstream in(
        head.substr(head.find(' ') == std::string::npos ? head.size() : head.find(' ') + 1));
    std::string field;
    while (std::getline(in, field, ',')) {
        if (!field.empty()) {
            numbers.push_back(std::stol(field));
        }
    }
    if (head.rfind("BITMAP ", 0) != 0 || numbers.size() != 5 || head.back() != ',' ||
        numbers[2] <= 0 || numbers[3] <= 0) {
        throw DescriptionError("bitmap head must read BITMAP x,y,width-bytes,rows,mode,");
    }
    d.bitmapHead = head;
    d.widthBytes = static_cast<std::size_t>(numbers[2]);
    d.rows = static_cast<std::size_t>(numbers[3]);
}

void parseBand(Description& d, std::istringstream& in) {
    std::size_t first = 0;
    std::size_t last = 0;
    if (!(in >> first >> last) || last < first) {
        throw DescriptionError("band needs <first> <last> with first <= last");
    }
    if (d.rows == 0) {
        throw DescriptionError("band before the bitmap head");
    }
    if (first != d.raster.size() || last >= d.rows) {
        throw DescriptionError("band " + std::to_string(first) + "-" + std::to_string(last) +
                               " does not continue at row " + std::to_string(d.raster.size()));
    }
    std::vector<const Bits*> cycle;
    std::string name;
    while (in >> name) {
        const auto found = d.rowKinds.find(name);
        if (found == d.rowKinds.end()) {
            throw DescriptionError("unknown row '" + name + "'");
        }
        cycle.push_back(&found->second);
    }
    if (cycle.empty()) {
        throw DescriptionError("band without rows");
    }
    for (std::size_t row = first; row <= last; ++row) {
        d.raster.push_back(cycle[(row - first) % cycle.size()]);
    }
}

Description readDescription(std::istream& in) {
    Description d;
    std::string text;
    int lineNumber = 0;
    while (std::getline(in, text)) {
        ++lineNumber;
        try {
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            if (text.empty() || text[0] == '#') {
                continue;
            }
            const std::size_t space = text.find(' ');
            const std::string keyword = text.substr(0, space);
            const std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
            std::istringstream restStream(rest);
            if (keyword == "line") {
                d.lines.push_back(rest);
            } else if (keyword == "bitmap") {
                parseBitmapHead(d, rest);
            } else if (keyword == "row") {
                std::string name;
                restStream >> name;
                std::string runs;
                std::getline(restStream, runs);
                if (d.widthBytes == 0) {
                    throw DescriptionError("row before the bitmap head");
                }
                Bits bits = RunParser(runs).parse();
                if (bits.size() != d.widthBytes * 8) {
                    throw DescriptionError("row '" + name + "' is " + std::to_string(bits.size()) +
                                           " dots wide, not " + std::to_string(d.widthBytes * 8));
                }
                if (!d.rowKinds.emplace(name, std::move(bits)).second) {
                    throw DescriptionError("row '" + name + "' defined twice");
                }
            } else if (keyword == "band") {
                parseBand(d, restStream);
            } else if (keyword == "close") {
                d.closing.push_back(rest);
            } else {
                throw DescriptionError("unknown keyword '" + keyword + "'");
            }
        } catch (const std::logic_error& e) {  // std::stol on a malformed number
            throw DescriptionError("line " + std::to_string(lineNumber) + ": " + e.what());
        } catch (const DescriptionError& e) {
            throw DescriptionError("line " + std::to_string(lineNumber) + ": " + e.what());
        }
    }
    if (d.rows == 0 || d.raster.size() != d.rows) {
        throw DescriptionError("the bands cover " + std::to_string(d.raster.size()) + " of " +
                               std::to_string(d.rows) + " raster rows");
    }
    return d;
}

std::vector<uint8_t> buildJob(const Description& d) {
    std::vector<uint8_t> job;
    const auto append = [&job](std::string_view s) { job.insert(job.end(), s.begin(), s.end()); };
    for (const std::string& line : d.lines) {
        append(line);
        append("\r\n");
    }
    append(d.bitmapHead);
    // Most significant bit first, one bit per dot.
    for (const Bits* row : d.raster) {
        for (std::size_t byte = 0; byte < d.widthBytes; ++byte) {
            uint8_t value = 0;
            for (std::size_t bit = 0; bit < 8; ++bit) {
                value = static_cast<uint8_t>(value << 1 | ((*row)[byte * 8 + bit] ? 1 : 0));
            }
            job.push_back(value);
        }
    }
    append("\r\n");
    for (const std::string& line : d.closing) {
        append(line);
        append("\r\n");
    }
    return job;
}

std::string sourceFor(const std::vector<uint8_t>& job) {
    std::ostringstream out;
    out << "// Generated by head_test_job_generator from head_test_job.txt; do not edit.\n"
        << "#include \"head_test_job.h\"\n\n"
        << "namespace qv::selftest {\n"
        << "namespace {\n"
        << "constexpr uint8_t kJob[" << job.size() << "] = {\n";
    for (std::size_t i = 0; i < job.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X,", job[i]);
        out << (i % 16 == 0 ? "    " : " ") << hex << (i % 16 == 15 ? "\n" : "");
    }
    out << "\n};\n"
        << "}  // namespace\n\n"
        << "std::span<const uint8_t> headTestJob() { return kJob; }\n\n"
        << "}  // namespace qv::selftest\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " <description> <output.cpp | output.bin>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << argv[1] << ": cannot open\n";
        return 1;
    }
    try {
        const std::vector<uint8_t> job = buildJob(readDescription(in));
        const std::string_view target = argv[2];
        const bool raw = target.size() > 4 && target.substr(target.size() - 4) == ".bin";
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        if (raw) {
            out.write(reinterpret_cast<const char*>(job.data()),
                      static_cast<std::streamsize>(job.size()));
        } else {
            out << sourceFor(job);
        }
        out.close();
        if (!out) {
            std::cerr << argv[2] << ": cannot write\n";
            std::remove(argv[2]);
            return 1;
        }
    } catch (const DescriptionError& e) {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
