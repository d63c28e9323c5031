#pragma once
// One host and one library context for a test program: the tables are built
// once (the stored step table comes from the test program's own resource).
#include "coremachines/CWaveTables.h"
#include "framework/FeatureFlags.h"
#include "studio/CVelmHost.h"

inline constexpr int32_t kTestRate = 44100;
inline constexpr int32_t kTestBlock = 256;

inline CVelmHost& TestHost()
{
    static CVelmHost host(kTestRate, kTestBlock, FEATURE_MMX | FEATURE_SSE | FEATURE_SSE2);
    return host;
}

inline const CWaveTables& TestTables()
{
    static CWaveTables tables(nullptr, &TestHost());
    return tables;
}
