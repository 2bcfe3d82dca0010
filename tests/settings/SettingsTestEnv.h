// Points the settings store at a fresh temporary folder for one test.
#pragma once

#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class TSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Saved = qgetenv("XDG_CONFIG_HOME");
        HadSaved = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", Dir.path().toLocal8Bit());
    }
    void TearDown() override {
        if (HadSaved)
            qputenv("XDG_CONFIG_HOME", Saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

    QString FilePath() const { return Dir.path() + QStringLiteral("/Fenwright/Quillmere 3.conf"); }

    // Writes the settings file by hand, as a user or a crash might leave it.
    void WriteFile(const QByteArray& content) const {
        QDir().mkpath(Dir.path() + QStringLiteral("/Fenwright"));
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.flush();
        // QSettings keeps parsed files in a cache keyed by size and time; a
        // rewrite of equal size in the same millisecond would go unseen.
        static qint64 stamp = 1000000000;
        file.setFileTime(QDateTime::fromSecsSinceEpoch(++stamp), QFileDevice::FileModificationTime);
    }

    QByteArray ReadFile() const {
        QFile file(FilePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    QTemporaryDir Dir;

private:
    QByteArray Saved;
    bool HadSaved = false;
};
