// `cmake --install` into an empty prefix, then the installed programs run
// from there: fotra reads a photo through the installed modules, and the
// desktop program opens a photo (offscreen) and finds its help pages.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "AppTestSupport.h"
#include "app/HelpPages.h"

class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(prefix_.isValid());
        QProcess install;
        install.start(FOTRA_CMAKE_COMMAND, {"--install", FOTRA_BUILD_DIR, "--prefix", prefix_.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        QImage photo(24, 16, QImage::Format_RGB888);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(photoPath()));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* file :
             {"bin/Pekarun4Free", "bin/fotra", "lib/pekarun4free/libIK5COM.so", "lib/pekarun4free/libIK5FILE.so",
              "lib/pekarun4free/libIK5EFFECT.so", "share/pekarun4free/help/help.htm",
              "share/applications/pekarun4free.desktop", "share/metainfo/pekarun4free.metainfo.xml",
              "share/icons/hicolor/16x16/apps/pekarun4free.png", "share/icons/hicolor/256x256/apps/pekarun4free.png",
              "share/icons/hicolor/scalable/apps/pekarun4free.svg", "share/man/man1/Pekarun4Free.1", "share/man/man1/fotra.1",
              "share/doc/Pekarun4Free/LICENSE"}) {
            QTest::newRow(file) << QString(file);
        }
    }
    void layout()
    {
        QFETCH(QString, file);
        QVERIFY2(QFileInfo(installed(file)).isFile(), qPrintable(file));
    }

    void desktopEntryAndMetadataAreValid()
    {
        QSettings entry(installed("share/applications/pekarun4free.desktop"), QSettings::IniFormat);
        entry.beginGroup("Desktop Entry");
        QCOMPARE(entry.value("Exec").toString(), QString("Pekarun4Free %F"));
        QCOMPARE(entry.value("Icon").toString(), QString("pekarun4free"));
        for (const auto& [tool, arguments] :
             {std::pair<QString, QStringList>{"desktop-file-validate", {installed("share/applications/pekarun4free.desktop")}},
              std::pair<QString, QStringList>{"appstreamcli",
                                              {"validate", "--no-net", installed("share/metainfo/pekarun4free.metainfo.xml")}}}) {
            QProcess validate;
            validate.start(tool, arguments);
            if (!validate.waitForStarted()) {
                continue; // the validator is not installed
            }
            QVERIFY(validate.waitForFinished(60000));
            QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
        }
    }

    void installedFotraReadsAPhoto()
    {
        QProcess fotra;
        fotra.start(installed("bin/fotra"), {"info", photoPath()});
        QVERIFY(fotra.waitForFinished(60000));
        QCOMPARE(fotra.exitCode(), 0);
        QVERIFY(fotra.readAllStandardOutput().contains("width: 24"));
    }

    // The photo opens only when the installed modules were found; every
    // successful open enters the recent list of the settings.
    void installedProgramOpensAPhotoAndFindsItsHelp()
    {
        QTemporaryDir runtime;
        QTemporaryDir configHome;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("XDG_CONFIG_HOME", configHome.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(installed("bin/Pekarun4Free"), {photoPath()});
        QVERIFY(program.waitForStarted());
        QSettings settings(QDir(configHome.path()).filePath("Orvelle/PEKARUN4FREE.conf"), QSettings::IniFormat);
        const auto firstRecent = [&settings] {
            settings.sync();
            return settings.value("Recent File List/File1").toString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(firstRecent(), photoPath(), 20000);
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));

        QCOMPARE(helpFolder(installed("bin")), installed("share/pekarun4free/help"));
    }

private:
    QString installed(const QString& file) const { return QDir(prefix_.path()).filePath(file); }
    QString photoPath() const { return QDir(prefix_.path()).filePath("photo.png"); }

    QTemporaryDir prefix_;
};

FOTRA_APP_TEST_MAIN(TestInstall)
#include "test_app_install.moc"
