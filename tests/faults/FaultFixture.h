#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/support/ProgramRun.h"

namespace qm::test {

// A fresh app home and output folder per case; the built program is what is tested.
class FaultCase : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(Binary().isEmpty()) << "QUILLMARK_BINARY is not set"; }
    QString home() const { return dir.filePath("home"); }
    QString out() const { return dir.filePath("out"); }
    // Every file in the output folder, hidden ones included.
    QStringList outputs() const { return QDir(out()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
};

} // namespace qm::test
