// The embedded G.729 tables against the published checksums: the data
// folder's README when it can be found (ORV_G729_DATA, or ../shared/data/g729
// beside the repository), otherwise the same figures kept here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "client/audio/codecs/g729_tables.h"

namespace orv {
namespace {

struct Checksum {
    int count;
    double sum;
    double weightedSum;
};

const char* const kEmbeddedChecksums = R"(
checksum hamwindow            240     133.575968     20116.250405
checksum lwindow               10       9.586739        51.768165
checksum grid                  61       0.000000      -759.664562
checksum lspcb1              1280    1743.758700   1131571.274900
checksum lspcb2               320       3.057800       678.166600
checksum fg                    80      12.395100       392.670500
checksum fg_sum                20       7.604900        91.883500
checksum fg_sum_inv            20      59.007965       523.027076
checksum inter_3               13       1.952084         2.939140
checksum inter_3l              31       1.949105         2.960099
checksum pred                   4       1.790000         3.620000
checksum coef                   4      33.281342        36.015610
checksum thr1                   4       4.609900        13.742804
checksum thr2                   8       5.464086        27.498070
checksum gbk1                  16       9.930210       121.532224
checksum gbk2                  32      17.037761       347.580501
checksum tab_hup_s             28       7.032128       101.965856
checksum tab_hup_l            112       6.985498       394.680637
checksum map1                   8      28.000000       120.000000
checksum map2                  16     120.000000      1032.000000
checksum imap1                  8      28.000000       120.000000
checksum imap2                 16     120.000000      1032.000000
checksum bitsno                11      80.000000       468.000000
checksum b140                   3       0.000055         0.000109
checksum a140                   3       1.994544         2.077686
checksum b100                   3       0.000028         0.000056
checksum a100                   3       1.997182         2.058471
checksum freq_prev_reset       10      15.707963       109.955741
checksum lsp_old_init          10       0.000000       -19.187600
checksum past_qua_en_init       4     -56.000000      -140.000000
checksum bitsno_fields         15      80.000000       651.000000
)";

std::map<std::string, Checksum> ParseChecksums(std::istream& in) {
    std::map<std::string, Checksum> sums;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag;
        std::string name;
        Checksum c{};
        if (words >> tag >> name >> c.count >> c.sum >> c.weightedSum && tag == "checksum")
            sums[name] = c;
    }
    return sums;
}

std::string DataFolder() {
    if (const char* env = std::getenv("ORV_G729_DATA")) return env;
    return std::string(ORV_SOURCE_DIR) + "/../shared/data/g729";
}

TEST(G729Tables, EmbeddedTablesMatchThePublishedChecksums) {
    std::ifstream readme(DataFolder() + "/README.md");
    std::map<std::string, Checksum> sums;
    if (readme) {
        sums = ParseChecksums(readme);
        std::printf("checksums from %s/README.md\n", DataFolder().c_str());
    } else {
        std::istringstream embedded(kEmbeddedChecksums);
        sums = ParseChecksums(embedded);
        std::printf("data folder not found; checking against the embedded checksums\n");
    }
    ASSERT_EQ(sums.size(), 31u);
    ASSERT_EQ(kG729TableViewCount, 31);
    for (int t = 0; t < kG729TableViewCount; ++t) {
        const G729TableView& view = kG729TableViews[t];
        ASSERT_TRUE(sums.count(view.name)) << view.name;
        const Checksum& expected = sums[view.name];
        EXPECT_EQ(view.count, expected.count) << view.name;
        double sum = 0;
        double weighted = 0;
        double bound = 1e-6; // storing each value as a 32-bit float moves it by half an ulp at most
        double weightedBound = 1e-6;
        for (int i = 0; i < view.count; ++i) {
            const double v = view.floats != nullptr ? view.floats[i] : view.ints[i];
            sum += v;
            weighted += (i + 1) * v;
            bound += std::fabs(v) * 6e-8;
            weightedBound += (i + 1) * std::fabs(v) * 6e-8;
        }
        EXPECT_NEAR(sum, expected.sum, bound) << view.name;
        EXPECT_NEAR(weighted, expected.weightedSum, weightedBound) << view.name;
    }
}

TEST(G729Tables, EmbeddedValuesAreTheDataFileValuesAsFloats) {
    std::ifstream tables(DataFolder() + "/tables.txt");
    if (!tables)
        GTEST_SKIP() << "data folder not found at " << DataFolder()
                     << "; the checksum test covers this";
    std::map<std::string, const G729TableView*> views;
    for (int t = 0; t < kG729TableViewCount; ++t)
        views[kG729TableViews[t].name] = &kG729TableViews[t];
    std::string line;
    const G729TableView* current = nullptr;
    int index = 0;
    int checked = 0;
    while (std::getline(tables, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word == "table") {
                std::string name;
                words >> name;
                ASSERT_TRUE(views.count(name)) << name;
                current = views[name];
                index = 0;
                words.ignore(1 << 20);
            } else if (word == "end") {
                ASSERT_NE(current, nullptr);
                EXPECT_EQ(index, current->count) << current->name;
                current = nullptr;
            } else {
                ASSERT_NE(current, nullptr);
                ASSERT_LT(index, current->count) << current->name;
                if (current->floats != nullptr) {
                    ASSERT_EQ(current->floats[index], std::strtof(word.c_str(), nullptr))
                        << current->name << index;
                } else {
                    ASSERT_EQ(current->ints[index], std::stoi(word)) << current->name << index;
                }
                ++index;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 2393);
}

} // namespace
} // namespace orv
