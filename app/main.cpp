#include "startup.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
    setApplicationIdentity();
    if (const auto answer = answerInformationRequest(rawArguments(argc, argv)))
        return printAnswer(*answer);

    QApplication app(argc, argv);

    QCommandLineParser parser;
    if (const auto answer = answerCommandLine(parser, QApplication::arguments()))
        return printAnswer(*answer);
    return runPelsado();
}
