// boxed_string_test.cpp - text in a field frame with labels beside it: the
// frame's width by font, the labels at its edges, the text inside.
#include "btn_fixture.h"

#include "ui/ogl_text.h"
#include "ui/text_layout.h"

namespace {

using btn::draw_call;

class boxed_string : public btn::widgets {};

TEST_F(boxed_string, FrameWidthByFontWithLabelsAtItsEdges)
{
    struct boxed_case {
        int font;
        std::string text;
        float width; // of the frame
    };
    const boxed_case cases[] = {
        {102, "1234", 47.0f},                                 // ten units a cell, plus 7
        {102, "", 7.0f},
        {100, "", 7.0f},
        {100, "Wide", OGL_line_width("Wide", 0, 4, 0.0f) + 7.0f}, // the table widths, plus 7
        {103, "any", 100.0f},                                 // other fonts: a fixed width
    };
    float first_margin = -1;
    for (const boxed_case& c : cases) {
        SCOPED_TRACE(c.font);
        SCOPED_TRACE(c.text);
        frame([&] { OGL_boxed_string(300, 200, "Left|Right", c.text, c.font, 5); });
        float frame_l = 1e9f, frame_r = -1e9f;
        const draw_call* text = nullptr;
        std::vector<const draw_call*> labels;
        for (const draw_call& d : calls) {
            if (d.kind == "quad") {
                frame_l = std::min({frame_l, d.v[0], d.v[8]});
                frame_r = std::max({frame_r, d.v[0], d.v[8]});
            } else if (d.kind == "string" && (d.text == "Left" || d.text == "Right")) {
                labels.push_back(&d);
            } else if (d.kind == "string") {
                text = &d;
            }
        }
        ASSERT_LT(frame_l, frame_r) << "a frame is drawn";
        EXPECT_NEAR((frame_l + frame_r) / 2, 300.0f, 1.0f) << "centred on x";
        // The style's caps reach a little past the width asked for, the same for every width.
        const float margin = (frame_r - frame_l) - c.width;
        if (first_margin < 0) first_margin = margin;
        EXPECT_NEAR(margin, first_margin, 1.0f);
        EXPECT_LT(margin, 8.0f);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text, c.text);
        EXPECT_EQ(text->colour, 5);
        EXPECT_NEAR(text->v[0], 300.0f - c.width / 2 + 4, 0.01f);
        ASSERT_EQ(labels.size(), 2u);
        EXPECT_LT(labels[0]->v[0], frame_l) << labels[0]->text << " left of the frame";
        EXPECT_GT(labels[1]->v[0], frame_r) << labels[1]->text << " right of the frame";
    }
}

} // namespace
