#include "engine/tests/engine_test_support.h"

#include <cstring>

#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "runtime/entry_routine.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"

namespace enginetest {
namespace {
int64_t gBlocksBefore = 0;
}  // namespace

void EngineTest::SetUp() {
    prog::useHelperTable(vexrun::hostHelperTable());
    std::memset(prog::vars(), 0, sizeof(prog::ProgramVariables));
    gBlocksBefore = vexrun::liveBlockCount();
    setUpGlobals();
}

void EngineTest::TearDown() {
    releaseGlobals();
    std::memset(prog::vars(), 0, sizeof(prog::ProgramVariables));
    EXPECT_EQ(vexrun::liveBlockCount(), gBlocksBefore) << "blocks left behind";
}

prog::Text newText(const std::string& s) { return vexrun::newText(s); }

prog::ByteSet newBytes(const std::string& s) { return static_cast<prog::ByteSet>(vexrun::newByteSet(s)); }

std::string textOf(const char* t) { return t ? std::string(t) : std::string(); }

std::string bytesOfSet(const prog::ByteSetBlock* b) {
    if (!b) return std::string();
    return std::string(reinterpret_cast<const char*>(prog::bytesOf(b)), b->count);
}

std::string format(int32_t ms) {
    prog::ByteSet b = engine::formatTimeText(ms);
    std::string s = bytesOfSet(b);
    vxFree(b);
    return s;
}

namespace {
void scanInput(const std::string& input) {
    prog::ProgramVariables* v = prog::vars();
    engine::emptyCueLists();
    prog::storeBytes(&v->inputBytes, input.empty() ? nullptr : newBytes(input));
    EXPECT_EQ(engine::scanCues(), engine::ScanResult::Scanned);
}
}  // namespace

std::string retimeCustom(const std::string& input, double ratio, int32_t shift) {
    scanInput(input);
    engine::useCustomMapping(ratio, shift);
    EXPECT_TRUE(engine::rebuildSubtitle(engine::FitMode::CustomRatio));
    return bytesOfSet(prog::vars()->outputBytes);
}

std::string identity(const std::string& input) { return retimeCustom(input, 1.0, 0); }

Scan scan(const std::string& input) {
    scanInput(input);
    const prog::ProgramVariables* v = prog::vars();
    Scan s;
    s.header = bytesOfSet(v->outputBytes);
    const int32_t n = prog::elementCount(v->startList);
    EXPECT_EQ(prog::elementCount(v->endList), n);
    EXPECT_EQ(prog::elementCount(v->tailList), n);
    for (int32_t i = 1; i <= n; ++i) {
        s.starts.push_back(prog::intAt(v->startList, i));
        s.ends.push_back(prog::intAt(v->endList, i));
        s.tails.push_back(bytesOfSet(prog::bytesAt(v->tailList, i)));
    }
    return s;
}

namespace {
// The boxes behind a context, with the read noted.
FakeBoxes* read(void* context, const std::string& what) {
    auto* boxes = static_cast<FakeBoxes*>(context);
    boxes->reads.push_back(what);
    return boxes;
}
}  // namespace

engine::PointSource FakeBoxes::points() {
    engine::PointSource p{};
    p.context = this;
    p.source = [](void* c, int32_t row) { return read(c, "S" + std::to_string(row))->source[row]; };
    p.target = [](void* c, int32_t row) { return read(c, "T" + std::to_string(row))->target[row]; };
    p.useCustomRatio = [](void* c, int32_t row) { return read(c, "U" + std::to_string(row))->useRatio[row]; };
    p.customRatio = [](void* c) { return read(c, "r")->ratio; };
    p.alignStart = [](void* c) { return read(c, "A")->alignStart; };
    return p;
}

}  // namespace enginetest
