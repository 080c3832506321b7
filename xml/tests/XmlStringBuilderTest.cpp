#include "XmlStringBuilder.h"

#include "ErrorOf.h"

#include <gtest/gtest.h>

using namespace vxml;

namespace {

TEST(TXmlStringBuilder, CopiesAndReadsByPositionFromOne) {
  TXmlStringBuilder builder;
  builder.AddString(u"hello");
  builder.AddChar(u'!');
  EXPECT_EQ(builder.Length(), 6);
  EXPECT_EQ(builder.Value(), u"hello!");
  EXPECT_EQ(builder.StringCopy(2, 3), u"ell");
  EXPECT_EQ(builder.StringCopy(5, 10), u"o!");
  EXPECT_EQ(builder.StringCopy(7, 1), u"");
  EXPECT_EQ(builder.Data(1), u'h');
  EXPECT_EQ(builder.Data(6), u'!');
  EXPECT_EQ(ErrorOf([&] { builder.Data(0); }), "EListError: List index out of bounds (0)");
  EXPECT_EQ(ErrorOf([&] { builder.Data(7); }), "EListError: List index out of bounds (7)");
}

} // namespace
