#pragma once

// The benchmarks the driver runs. Each prints its rows and details (see
// report.h) and returns false when it could not measure at all; a target that
// is missed is reported, not a failure.

struct StartupSettings
{
    int runs = 0; // measured runs of each program
    int warmupRuns = 0; // runs of each first, not counted (caches)
};
bool benchStartup(const StartupSettings &settings);

struct ReplySettings
{
    int requests = 0;
};
bool benchReply(const ReplySettings &settings);

struct IdleSettings
{
    int seconds = 0;
};
bool benchIdle(const IdleSettings &settings);

struct StoreSettings
{
    int saveRepeats = 0;
    int fileRepeats = 0;
};
bool benchStore(const StoreSettings &settings);

struct BridgeSettings
{
    int idleSeconds = 0;
    int requests = 0;
    int starts = 0;
};
bool benchBridge(const BridgeSettings &settings);

struct FloodSettings
{
    int seconds = 0;
};
bool benchFlood(const FloodSettings &settings);
