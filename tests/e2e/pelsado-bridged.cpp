// The headless commands exactly as `pelsado` runs them, with the link library
// reached through the link bridge, which this build's `pelsado` does not use.
#include "headlesscommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    constexpr int usageError = 2;
    QCoreApplication app(argc, argv);
    const auto command = HeadlessCommandLine::parse(QCoreApplication::arguments());
    if (const auto *error = std::get_if<QString>(&command)) {
        std::fprintf(stderr, "%s\n", qPrintable(*error));
        return usageError;
    }
    return runHeadlessCommand(std::get<HeadlessCommand>(command), LinkLoading::Bridge);
}
