#include <gtest/gtest.h>

#include "platform/Base64.h"

namespace qm {
namespace {

TEST(Base64, DecodesWhatQtEncodesAndLeavesOddTextToQt)
{
    QByteArray bytes;
    for (int length = 0; length < 40; ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(DecodeBase64(bytes.toBase64()), bytes);
        bytes.append(char(length * 37 + 200));
    }
    // Unpadded, with line breaks or with the URL alphabet: decoded as Qt does.
    for (const QByteArray& text :
        { QByteArray("aGVsbG8"), QByteArray("aGVs\nbG8="), QByteArray("_-8A"), QByteArray("a===") })
        EXPECT_EQ(DecodeBase64(text), QByteArray::fromBase64(text)) << text.constData();
}

} // namespace
} // namespace qm
