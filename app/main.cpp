#include "startup.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
    setApplicationIdentity();
    const QStringList arguments = rawArguments(argc, argv);
    if (const auto answer = answerInformationRequest(arguments))
        return printAnswer(*answer);

    // The commands make no window-system object, so they need no display.
    if (HeadlessCommandLine::namesCommand(arguments)) {
        QCoreApplication app(argc, argv);
        const auto command = answerHeadlessCommandLine(QCoreApplication::arguments());
        if (const auto *answer = std::get_if<CommandLineAnswer>(&command))
            return printAnswer(*answer);
        return runHeadlessCommand(std::get<HeadlessCommand>(command));
    }

    QApplication app(argc, argv);

    QCommandLineParser parser;
    if (const auto answer = answerCommandLine(parser, QApplication::arguments()))
        return printAnswer(*answer);
    return runPelsado();
}
