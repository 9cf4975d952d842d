#include "publish/site_html.h"

#include <gtest/gtest.h>

#include "common/xml_escape.h"

namespace liga::publish {
namespace {

// The pages put names into text and into attribute values in either quote, so the
// apostrophe is a reference there; a control character, which HTML does not allow, becomes
// a blank as in the exports; UTF-8 letters are kept.
TEST(SiteHtml, NamesStayTextInTextAndAttributes) {
  EXPECT_EQ(HtmlText("O'Neil & <Söner> \"IK\""), "O&#39;Neil &amp; &lt;Söner&gt; &quot;IK&quot;");
  EXPECT_EQ(HtmlText("Lag\x01\x1b"
                     "A\tB"),
            "Lag  A\tB");
  // The exports keep the apostrophe: their bytes are read by other installations.
  EXPECT_EQ(XmlEscape("O'Neil"), "O'Neil");
}

}  // namespace
}  // namespace liga::publish
