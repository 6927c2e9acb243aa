// An independent reading of the generated head-test job: its text lines, the BITMAP head and the
// raster's bands, as the printer would take them. A generator or description fault fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "head_test_job.h"

namespace {

using Row = std::vector<bool>;  // true: a one-bit (no dot)

struct Run {
    bool one;
    int start;
    int length;
};

struct DecodedJob {
    std::vector<std::string> lines;
    std::string bitmapHead;
    int widthBytes = 0;
    int height = 0;
    std::vector<Row> raster;
    std::vector<std::string> closing;
};

std::optional<DecodedJob> decode(std::span<const uint8_t> job) {
    const std::string_view text(reinterpret_cast<const char*>(job.data()), job.size());
    DecodedJob d;
    std::size_t pos = 0;
    while (!text.substr(pos).starts_with("BITMAP ")) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        d.lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    // BITMAP x,y,width-bytes,height,mode, with the raster right after the fifth comma.
    int values[5] = {};
    std::size_t field = pos + 7;
    for (int& v : values) {
        const std::size_t comma = text.find(',', field);
        if (comma == std::string_view::npos ||
            std::from_chars(text.data() + field, text.data() + comma, v).ec != std::errc{}) {
            return std::nullopt;
        }
        field = comma + 1;
    }
    d.bitmapHead = std::string(text.substr(pos, field - pos));
    d.widthBytes = values[2];
    d.height = values[3];
    pos = field;
    const std::size_t rasterSize = static_cast<std::size_t>(d.widthBytes) * d.height;
    if (d.widthBytes <= 0 || d.height <= 0 || job.size() - pos < rasterSize) {
        return std::nullopt;
    }
    for (int r = 0; r < d.height; ++r) {
        Row row;
        for (int b = 0; b < d.widthBytes; ++b) {
            const uint8_t byte = job[pos + static_cast<std::size_t>(r * d.widthBytes + b)];
            for (int bit = 7; bit >= 0; --bit) {
                row.push_back(((byte >> bit) & 1) != 0);
            }
        }
        d.raster.push_back(std::move(row));
    }
    pos += rasterSize;
    if (!text.substr(pos).starts_with("\r\n")) {
        return std::nullopt;
    }
    pos += 2;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        d.closing.emplace_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return d;
}

std::vector<Run> runsOf(const Row& row) {
    std::vector<Run> runs;
    for (int i = 0; i < static_cast<int>(row.size()); ++i) {
        if (runs.empty() || runs.back().one != row[i]) {
            runs.push_back({row[i], i, 0});
        }
        ++runs.back().length;
    }
    return runs;
}

std::vector<Run> zeroRuns(const Row& row) {
    std::vector<Run> out;
    for (const Run& r : runsOf(row)) {
        if (!r.one) {
            out.push_back(r);
        }
    }
    return out;
}

// The one-runs between the first and the last zero-run.
std::vector<Run> innerOneRuns(const Row& row) {
    std::vector<Run> runs = runsOf(row);
    if (runs.size() < 3) {
        return {};
    }
    std::vector<Run> out;
    for (std::size_t i = 1; i + 1 < runs.size(); ++i) {
        if (runs[i].one) {
            out.push_back(runs[i]);
        }
    }
    return out;
}

bool allOnes(const Row& row) {
    return std::all_of(row.begin(), row.end(), [](bool b) { return b; });
}

// One solid bar of width zero-bits.
bool isBar(const Row& row, int width) {
    const auto zeros = zeroRuns(row);
    return zeros.size() == 1 && zeros[0].length == width;
}

// Single zero and one bits taking turns across the 770-dot width.
bool isAlternating(const Row& row) {
    const auto zeros = zeroRuns(row);
    const auto ones = innerOneRuns(row);
    return zeros.size() == 385 && zeros.front().start == 15 &&
           std::all_of(zeros.begin(), zeros.end(), [](const Run& r) { return r.length == 1; }) &&
           std::all_of(ones.begin(), ones.end(), [](const Run& r) { return r.length == 1; });
}

bool runsWithin(const std::vector<Run>& runs, int low, int high) {
    return !runs.empty() && std::all_of(runs.begin(), runs.end(), [&](const Run& r) {
        return r.length >= low && r.length <= high;
    });
}

// Solid blocks: zero-runs of zeroLow..zeroHigh dots apart by one-runs of oneLow..oneHigh dots,
// spread over the printable width.
bool isBlockRow(const Row& row, int zeroLow, int zeroHigh, int oneLow, int oneHigh) {
    const auto zeros = zeroRuns(row);
    return runsWithin(zeros, zeroLow, zeroHigh) && runsWithin(innerOneRuns(row), oneLow, oneHigh) &&
           zeros.front().start < 15 + 60 && zeros.back().start + zeros.back().length > 785 - 60;
}

// Two phases of a checkerboard: each block of one sits where the other has no dots.
bool isOtherPhase(const Row& a, const Row& b) {
    const auto holds = [](const Row& x, const Row& y) {
        const auto blocks = zeroRuns(x);
        return std::all_of(blocks.begin(), blocks.end(), [&](const Run& r) {
            return y[static_cast<std::size_t>(r.start) + static_cast<std::size_t>(r.length) / 2];
        });
    };
    return a != b && holds(a, b) && holds(b, a);
}

// Every dot of the grid row lies inside a block of the solid row, and fills it every other dot.
bool isGridOf(const Row& grid, const Row& solid) {
    const auto dots = zeroRuns(grid);
    if (!runsWithin(dots, 1, 1)) {
        return false;
    }
    for (const Run& block : zeroRuns(solid)) {
        const auto inside = std::count_if(dots.begin(), dots.end(), [&](const Run& d) {
            return d.start >= block.start && d.start < block.start + block.length;
        });
        if (inside < block.length / 2) {
            return false;
        }
    }
    return std::all_of(dots.begin(), dots.end(),
                       [&](const Run& d) { return !solid[static_cast<std::size_t>(d.start)]; });
}

class HeadTestJob : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto decoded = decode(qv::selftest::headTestJob());
        ASSERT_TRUE(decoded.has_value()) << "the job does not parse";
        job = *decoded;
        ASSERT_EQ(job.raster.size(), 748u);
    }
    const Row& row(int r) const { return job.raster[static_cast<std::size_t>(r)]; }

    DecodedJob job;
};

TEST_F(HeadTestJob, SizeLinesAndBitmapHead) {
    EXPECT_EQ(qv::selftest::headTestJob().size(), 74977u);
    EXPECT_EQ(job.lines, (std::vector<std::string>{
                             "SIZE 100mm,94mm", "DIRECTION 0,0", "REFERENCE 0,0", "OFFSET 0mm",
                             "DENSITY 15", "SET PEEL OFF", "SET CUTTER OFF",
                             "SET PARTIAL_CUTTER OFF", "SET TEAR ON", "CLS"}));
    EXPECT_EQ(job.bitmapHead, "BITMAP 0,0,100,748,1,");
    EXPECT_EQ(job.widthBytes, 100);
    EXPECT_EQ(job.closing, std::vector<std::string>{"PRINT 1,1"});
}

TEST_F(HeadTestJob, EveryRowKeepsFifteenOneBitsAtBothEdges) {
    for (int r = 0; r < 748; ++r) {
        const Row& bits = row(r);
        ASSERT_EQ(bits.size(), 800u);
        EXPECT_TRUE(std::all_of(bits.begin(), bits.begin() + 15, [](bool b) { return b; })) << r;
        EXPECT_TRUE(std::all_of(bits.end() - 15, bits.end(), [](bool b) { return b; })) << r;
    }
}

TEST_F(HeadTestJob, BlankBandsAndSolidBars) {
    for (auto [first, last] : {std::pair{0, 10}, {251, 267}, {310, 355}, {477, 494}, {613, 625}}) {
        for (int r = first; r <= last; ++r) {
            EXPECT_TRUE(allOnes(row(r))) << r;
        }
    }
    for (auto [first, last] : {std::pair{11, 130}, {626, 747}}) {
        for (int r = first; r <= last; ++r) {
            EXPECT_TRUE(isBar(row(r), 770)) << r;
        }
    }
}

TEST_F(HeadTestJob, AlternatingRowNickedRowAndOneDotGrids) {
    EXPECT_TRUE(isAlternating(row(131)));
    const auto nicks = zeroRuns(row(132));
    ASSERT_EQ(nicks.size(), 2u);
    EXPECT_EQ(nicks[0].start, 15);
    EXPECT_EQ(nicks[0].length, 1);
    EXPECT_EQ(nicks[1].start + nicks[1].length, 15 + 770);
    EXPECT_EQ(nicks[1].length, 2);
    for (int first : {133, 495}) {
        for (int r = first; r < first + 118; r += 2) {
            EXPECT_TRUE(isAlternating(row(r))) << r;
            EXPECT_TRUE(allOnes(row(r + 1))) << r + 1;
        }
    }
}

TEST_F(HeadTestJob, TwentyDotCheckerboardFramedAndOffsetInItsSecondHalf) {
    EXPECT_TRUE(isBar(row(268), 768));
    EXPECT_TRUE(isBar(row(309), 768));
    for (int r = 269; r <= 308; ++r) {
        EXPECT_TRUE(isBlockRow(row(r), 22, 23, 17, 18)) << r;
        EXPECT_EQ(row(r), row(r < 289 ? 269 : 289)) << r;
    }
    EXPECT_TRUE(isOtherPhase(row(269), row(289)));
}

TEST_F(HeadTestJob, FortyDotCheckerboardSolidThenFilledWithDotGrids) {
    EXPECT_TRUE(isBar(row(356), 769));
    EXPECT_TRUE(isBar(row(476), 769));
    int r = 357;
    std::vector<Row> phases;
    for (; r < 476 && isBlockRow(row(r), 42, 44, 37, 38); ++r) {
        if (std::find(phases.begin(), phases.end(), row(r)) == phases.end()) {
            phases.push_back(row(r));
        }
    }
    ASSERT_EQ(phases.size(), 2u) << "solid part ends at row " << r;
    EXPECT_TRUE(isOtherPhase(phases[0], phases[1]));
    ASSERT_LT(r, 476) << "no dot-grid part";
    bool gridOf[2] = {false, false};
    for (bool dotRow = true; r < 476; ++r, dotRow = !dotRow) {
        if (!dotRow) {
            EXPECT_TRUE(allOnes(row(r))) << r;
            continue;
        }
        const bool first = isGridOf(row(r), phases[0]);
        const bool second = isGridOf(row(r), phases[1]);
        EXPECT_TRUE(first || second) << r;
        gridOf[0] = gridOf[0] || first;
        gridOf[1] = gridOf[1] || second;
    }
    EXPECT_TRUE(gridOf[0] && gridOf[1]) << "the grid-filled part is a checkerboard too";
}

}  // namespace
