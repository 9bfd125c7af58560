// Replays the inputs kept for the fuzz targets of fuzz/FaultExercises.h (seeds in
// fuzz/<target>/corpus, inputs that once broke a check in fuzz/<target>/regressions)
// through the same checks, so that every build keeps them fixed.

#include "FakePlatform.h"
#include "FaultExercises.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>

using namespace drv;

class TestFuzzInputs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keptInputsPassTheirChecks_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        int found = 0;
        for (const char* target : {"userdata", "match", "dateanswer", "datelink"}) {
            for (const char* kind : {"corpus", "regressions"}) {
                const QString dir = QStringLiteral(DRV_FUZZ_DIR "/%1/%2").arg(target, kind);
                for (QDirIterator it(dir, QDir::Files); it.hasNext();) {
                    const QString file = it.next();
                    const QByteArray tag =
                        QByteArray(target) + '/' + kind + '/' + it.fileName().toUtf8();
                    QTest::newRow(tag.constData()) << QString::fromLatin1(target) << file;
                    ++found;
                }
            }
        }
        if (found == 0) qFatal("no kept fuzz inputs under %s", DRV_FUZZ_DIR);
    }
    void keptInputsPassTheirChecks()
    {
        QFETCH(QString, target);
        QFETCH(QString, file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        test::FakePlatform fake;
        QString problem;
        if (target == u"userdata")
            problem =
                test::exerciseUserData(bytes, fake.programFolder, fake.specialFolders.value(26));
        else if (target == u"match")
            problem = test::exerciseMatch(bytes);
        else if (target == u"dateanswer")
            problem = test::exerciseDateAnswer(bytes);
        else
            problem = test::exerciseDateLink(bytes);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_GUILESS_MAIN(TestFuzzInputs)
#include "tst_fuzzinputs.moc"
