#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace runwell::app {

CommandLine ParseCommandLine(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Estimates the battery life of a profile of operational modes."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("settings-file"),
                                 QStringLiteral("A settings file (.set) to load after start-up."),
                                 QStringLiteral("[settings-file]"));

    const QString name = arguments.isEmpty() ? QStringLiteral("runwell")
                                             : QFileInfo(arguments.front()).completeBaseName();
    CommandLine line;
    const auto fail = [&](const QString& error) {
        line.exitCode = 2;
        line.output = name + QStringLiteral(": ") + error + QLatin1Char('\n');
        return line;
    };
    if (!parser.parse(arguments)) {
        return fail(parser.errorText());
    }
    if (parser.isSet(help)) {
        line.exitCode = 0;
        line.output = parser.helpText();
        return line;
    }
    if (parser.isSet(versionOption)) {
        line.exitCode = 0;
        line.output = name + QLatin1Char(' ') + version + QLatin1Char('\n');
        return line;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        return fail(QStringLiteral("only one settings file can be opened."));
    }
    if (!files.isEmpty()) {
        line.settingsFile = std::filesystem::path(QFile::encodeName(files.front()).toStdString());
    }
    return line;
}

}  // namespace runwell::app
