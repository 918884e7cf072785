// Creating a register writes the same rows however fast it is written: a generated case file (assets
// as entered, and assets validated over earlier years with disposal records) is dumped table by table,
// every row in identifier order, and compared with the dump of the same case file written before the
// creation was made faster (tests/data/creation/). VK_WRITE_ROWS=1 writes the dumps anew instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "bench/perf/generator.h"
#include "host/session.h"
#include "tests/support/calc_dump.h"
#include "tests/support/temp_dir.h"

namespace {

// The first line where two dumps part, with the table it belongs to.
std::string FirstDifference(const std::string& expected, const std::string& computed) {
    std::istringstream a(expected), b(computed);
    std::string left, right, table;
    for (int line = 1;; ++line) {
        const bool moreLeft = static_cast<bool>(std::getline(a, left));
        const bool moreRight = static_cast<bool>(std::getline(b, right));
        if (!moreLeft && !moreRight) return "";
        if (moreLeft && left.rfind("[", 0) == 0) table = left;
        if (!moreLeft || !moreRight || left != right)
            return "table " + table + ", line " + std::to_string(line) +
                   "\n  expected: " + (moreLeft ? left : "<end>") +
                   "\n  computed: " + (moreRight ? right : "<end>");
    }
}

struct CaseShape {
    const char* name;
    int assets;
    uint64_t seed;
    bool validate;
};

TEST(CreationRows, SameRowsAsBeforeTheFasterCreation) {
    // Both ways a register is written: as entered (a scenario, a spreadsheet), and entered then
    // validated over earlier years with a few disposal records (the performance case files).
    const CaseShape shapes[] = {{"as-entered", 40, 7, false}, {"validated", 40, 42, true}};
    setenv("VK_FORCED_WRITES", "0", 1);
    for (const CaseShape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        vktest::TempDir directory("vkrows");
        vkperf::GeneratorOptions options;
        options.assets = shape.assets;
        options.seed = shape.seed;
        options.validate = shape.validate;
        const vkperf::GeneratorResult made = vkperf::Generate(directory.Path().string(), options);
        ASSERT_EQ(made.assets, shape.assets);
        vkhost::Session session({directory / "env", "test"});
        session.Open(directory / "case");
        const std::string computed = vktest::DumpDatabase(*session.Dossier().GetDatabaseFirebird(), false);
        const std::string path =
            std::string(VK_SOURCE_DIR) + "/tests/data/creation/rows-" + shape.name + ".txt";
        const char* write = std::getenv("VK_WRITE_ROWS");
        if (write && write[0] == '1') {
            std::ofstream(path, std::ios::binary) << computed;
            continue;
        }
        std::ifstream file(path, std::ios::binary);
        ASSERT_TRUE(file) << "no dump " << path;
        std::stringstream expected;
        expected << file.rdbuf();
        EXPECT_GT(computed.size(), 10000u) << "the case file has hardly any rows";
        EXPECT_EQ(FirstDifference(expected.str(), computed), "") << "case file " << shape.name;
    }
}

}  // namespace
