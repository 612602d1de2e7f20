#include "engine/ConverterCommand.h"
#include "engine/DOSOutputs.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// What the real converter writes about an image is read back with the image's name whole, on
// every system and whatever the system's code page: the report and the reason given to the user
// quote it.
class TestConverterOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesInTheConvertersMessagesAreReadWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Chinese") << QStringLiteral("风景照片.png");
        QTest::newRow("Latin with accents") << QStringLiteral("Été à Zürich.png");
        QTest::newRow("outside the Basic Plane") << QStringLiteral("山𠀋水.png");
    }

    void namesInTheConvertersMessagesAreReadWhole()
    {
        QFETCH(QString, name);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        ConverterCommand command;
        command.programFolder = QStringLiteral(TESSALY_PROGRAM_DIR);
        command.input = folder.filePath(name); // not there: the converter says so, naming it
        command.output = folder.filePath(QStringLiteral("result.jpg"));

        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        QVERIFY(runner.ExecuteCommand(command.commandLine()));
        QVERIFY(over.wait(60000));
        const QString output = runner.Outputs().toString();
        QVERIFY(!runner.succeeded());
        QVERIFY2(output.contains(name), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestConverterOutput)
#include "tst_converteroutput.moc"
