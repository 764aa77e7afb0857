#include "startup.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    setApplicationIdentity();

    QCommandLineParser parser;
    if (const auto answer = answerCommandLine(parser, QApplication::arguments()))
        return printAnswer(*answer);
    return runPelsado();
}
