// What the engine's unit tests share: the kernel library's helper table, fresh
// program-level variables per test, conversions between std::string and the
// program's texts and byte sets, and a check that every block an operation
// took was given back.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/segment_fitting.h"
#include "runtime/program_base.h"

namespace enginetest {

// Installs the helper table and gives each test freshly set-up variables;
// at the end releases them and checks that no block was left behind.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A fresh text / byte set of the kernel library holding `s` (the caller frees).
prog::Text newText(const std::string& s);
prog::ByteSet newBytes(const std::string& s);
std::string textOf(const char* t);
std::string bytesOfSet(const prog::ByteSetBlock* b);

// Runs formatTimeText and frees its result.
std::string format(int32_t ms);

// Scans `input` (as the input bytes) and rebuilds it with the mapping stored
// by useCustomMapping(ratio, shift); the output bytes as a string.
std::string retimeCustom(const std::string& input, double ratio, int32_t shift);
// Scans and rebuilds with the identity mapping.
std::string identity(const std::string& input);
// Scans `input`; the header part and the cues as the lists hold them.
struct Scan {
    std::string header;
    std::vector<int32_t> starts;
    std::vector<int32_t> ends;
    std::vector<std::string> tails;
};
Scan scan(const std::string& input);

// Reference values for fitSegments, read from arrays; every read is logged
// ("S4", "T0", "U2", "r", "A"), so tests can check what was read and when.
struct FakeBoxes {
    int32_t source[5] = {};
    int32_t target[5] = {};
    bool useRatio[5] = {};
    double ratio = 1.0;
    bool alignStart = true;
    std::vector<std::string> reads;
    engine::PointSource points();
};

}  // namespace enginetest
