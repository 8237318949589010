#pragma once
// A realistic grid set-up and small file helpers shared by the grid file tests.
#include "grid/GridFile.h"
#include "grid/GridModel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace zelvan::test
{

// A camera looking across the landing area; buoys 1..4 in the file's order.
inline zelvan::grid::GridSetup sampleSetup()
{
    zelvan::grid::GridSetup s;
    s.buoy[zelvan::grid::UpperRight] = {4500, 3000, 12.5, -7.25};
    s.buoy[zelvan::grid::LowerRight] = {8200.5, 6150, 14.75, 30.125};
    s.buoy[zelvan::grid::UpperLeft] = {1800, 2985, 71.3, -6.5};
    s.buoy[zelvan::grid::LowerLeft] = {600, 6300, 70.25, 31};
    s.c = {0, 81.234567890123456, -0.0123456789, 0.5, -1.25e-5, 3.5e-7, -12.75, 0.0004, -0.02};
    s.jumpX = 40.5;
    s.jumpY = -60.25;
    s.constant1 = 10;
    s.constant2 = 2;
    s.gridNumber = 2;
    s.checkScreenX = 4200;
    s.checkScreenY = 4455;
    s.checkSurveyX = 41.5;
    s.checkSurveyY = 12;
    return s;
}

// The pair's reader and writer, keeping the reason of a failure in `why` for the checks on
// its text and for the failure output of the checks on success.
inline zelvan::Result<zelvan::grid::GridFileContents> loadPair(const QString& path, QString& why)
{
    auto read = zelvan::grid::loadGridFilePair(path);
    why = read.error();
    return read;
}

inline zelvan::Status savePair(const QString& path, const QString& description2,
                               const zelvan::grid::GridSetup& setup, const QString& checkXText,
                               const QString& checkYText, QString& why)
{
    zelvan::Status saved =
        zelvan::grid::saveGridFilePair(path, description2, setup, checkXText, checkYText);
    why = saved.error();
    return saved;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline void expectSameBuoy(const zelvan::grid::Buoy& a, const zelvan::grid::Buoy& b)
{
    EXPECT_EQ(a.screenX, b.screenX);
    EXPECT_EQ(a.screenY, b.screenY);
    EXPECT_EQ(a.surveyX, b.surveyX);
    EXPECT_EQ(a.surveyY, b.surveyY);
}

inline void expectSameSetup(const zelvan::grid::GridSetup& a, const zelvan::grid::GridSetup& b)
{
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        expectSameBuoy(a.buoy[k], b.buoy[k]);
    }
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(a.c[i], b.c[i]) << "c" << i;
    EXPECT_EQ(a.jumpX, b.jumpX);
    EXPECT_EQ(a.jumpY, b.jumpY);
    EXPECT_EQ(a.constant1, b.constant1);
    EXPECT_EQ(a.constant2, b.constant2);
    EXPECT_EQ(a.gridNumber, b.gridNumber);
    EXPECT_EQ(a.checkScreenX, b.checkScreenX);
    EXPECT_EQ(a.checkScreenY, b.checkScreenY);
    EXPECT_EQ(a.checkSurveyX, b.checkSurveyX);
    EXPECT_EQ(a.checkSurveyY, b.checkSurveyY);
}

} // namespace zelvan::test
