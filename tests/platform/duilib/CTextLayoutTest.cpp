#include "platform/duilib/CPaintManagerUI.h"
#include "platform/duilib/CRenderEngine.h"
#include "platform/duilib/CTextLayout.h"
#include "platform/kmbase/KMString.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <random>
#include <string>

using DuiLib::CTextLayout;
using DuiLib::TFontInfo;

namespace {

constexpr int kWidth = 180;

void Configure(CTextLayout& layout)
{
    layout.SetFont(TFontInfo{}, 1.0);
    layout.SetWidth(kWidth);
}

// The whole text in one Pango layout of the same font and width, lines wrapped at a word or
// between characters with no hyphen added; freed with the object.
struct WholeLayout {
    WholeLayout(const std::wstring& text, int width) : strUtf8(KMString(text).str())
    {
        PangoFontDescription* font = pango_font_description_new();
        pango_font_description_set_family(font, "Sans");
        pango_font_description_set_absolute_size(font, 14 * PANGO_SCALE);
        pango_layout_set_font_description(layout, font);
        pango_font_description_free(font);
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
        pango_layout_set_text(layout, strUtf8.c_str(), static_cast<int>(strUtf8.size()));
    }
    ~WholeLayout()
    {
        g_object_unref(layout);
        g_object_unref(context);
    }

    std::string strUtf8;
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* layout = pango_layout_new(context);
};

// What the layout's paragraphs must add up to.
int WholeTextHeight(const std::wstring& text)
{
    const WholeLayout whole(text, kWidth);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(whole.layout, nullptr, &logical);
    return logical.height;
}

// How many positions of a paragraph laid out in pieces differ from one Pango layout of the whole
// paragraph (same font and width) in: the start of their line, their caret's x, what a click on
// the caret hits, where a word back and on go, and (next to where lines start, as a step is slow
// to take in a long layout) where a step left and right go.
std::vector<int> DifferencesFromWholeLayout(CTextLayout& pieces, const std::wstring& text, int width)
{
    const WholeLayout whole(text, width);
    const char* utf8 = whole.strUtf8.c_str();
    std::vector<size_t> charAt(whole.strUtf8.size() + 1);
    for (size_t chars = 0, byte = 0; byte <= whole.strUtf8.size(); byte = g_utf8_next_char(utf8 + byte) - utf8) {
        charAt[byte] = chars++;
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(whole.layout, &count);
    std::vector<int> differences(7);
    const char* at = utf8;
    for (size_t pos = 0; pos <= text.size(); ++pos, at = g_utf8_next_char(at)) {
        const auto index = static_cast<int>(at - utf8);
        int line = 0;
        pango_layout_index_to_line_x(whole.layout, index, FALSE, &line, nullptr);
        const size_t lineStart = charAt[static_cast<size_t>(pango_layout_get_line_readonly(whole.layout, line)->start_index)];
        PangoRectangle strong{};
        pango_layout_get_cursor_pos(whole.layout, index, &strong, nullptr);
        int hit = 0;
        int trailing = 0;
        pango_layout_xy_to_index(whole.layout, PANGO_PIXELS(strong.x) * PANGO_SCALE, strong.y + strong.height / 2, &hit,
                                 &trailing);
        size_t on = pos;
        while (on < text.size() && !attrs[++on].is_word_start) {
        }
        size_t back = pos;
        while (back > 0 && !attrs[--back].is_word_start) {
        }
        const RECT caret = pieces.GetCaretRect(pos);
        differences[0] += pieces.LineStart(pos) != lineStart;
        differences[1] += caret.left != PANGO_PIXELS(strong.x);
        differences[2] += pieces.HitTest(caret.left, (caret.top + caret.bottom) / 2) !=
                          std::min(text.size(), charAt[static_cast<size_t>(hit)] + static_cast<size_t>(trailing));
        differences[3] += pieces.MoveByWord(pos, -1) != back;
        differences[4] += pieces.MoveByWord(pos, 1) != on;
        for (int direction = -1; pos + 1 >= lineStart && pos <= lineStart + 1 && direction <= 1; direction += 2) {
            int moved = 0;
            pango_layout_move_cursor_visually(whole.layout, TRUE, index, 0, direction, &moved, &trailing);
            const size_t expected = moved < 0 || moved == G_MAXINT ? pos : charAt[static_cast<size_t>(moved)] + trailing;
            differences[direction < 0 ? 5 : 6] += pieces.MoveVisually(pos, direction) != expected;
        }
    }
    return differences;
}

// A white bitmap of the layout's width selected into a memory DC, freed with the object.
struct Canvas {
    explicit Canvas(int height) : nHeight(height) { Clear(); }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    void Clear() { DuiLib::CRenderEngine::DrawColor(dc, RECT{0, 0, kWidth, nHeight}, 0xFFFFFFFF); }

    int nHeight;
    HBITMAP bitmap = CreateBitmap(kWidth, nHeight, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
};

const std::wstring kSample = L"The liver is normal in size.\nNo focal lesion.\n\n肝脏未见异常。 כבד תקין\n"
                             L"Ήπαρ φυσιολογικό, Печень без изменений 🇫🇷 e\u0301\n"
                             L"a long paragraph that certainly wraps onto more than one line of the box";

} // namespace

TEST(CTextLayout, ParagraphHeightsAddUpToPangosLayoutOfTheWholeText)
{
    CTextLayout layout;
    Configure(layout);
    layout.SetText(kSample);
    ASSERT_EQ(layout.GetParagraphCount(), 6u);
    EXPECT_EQ(layout.GetLength(), kSample.size());
    const int whole = WholeTextHeight(kSample);
    const int sum = layout.GetHeight(0, layout.GetParagraphCount());
    // Each paragraph rounds its height out to whole pixels.
    EXPECT_GE(sum, whole);
    EXPECT_LE(sum, whole + static_cast<int>(layout.GetParagraphCount()));
    EXPECT_EQ(layout.GetHeight(), sum) << "once laid out, the total is exact";
    EXPECT_GT(layout.GetHeight(5, 6), layout.GetLineHeight()) << "the last paragraph wraps";
    EXPECT_EQ(layout.GetHeight(2, 3), layout.GetLineHeight()) << "an empty paragraph is one line";
}

TEST(CTextLayout, IncrementalEditsLeaveWhatAFreshLayoutGives)
{
    // Short paragraphs, and a long one whose pieces are cut again as edits grow and shrink them.
    std::wstring words;
    for (int i = 0; words.size() < 3000; ++i) {
        words += std::wstring(L"liver in normal size focal lesion ").substr(i % 7, 3 + i % 9) + L" ";
    }
    const struct {
        std::wstring strText;
        int nSteps;
        size_t nMostRemoved;
        size_t nMostSkipped;
        size_t nInserts;  // the first of `inserts` that the edits draw from
    } cases[] = {{kSample, 200, 12, 5, 8}, {words, 40, 700, 40, 9}};
    const std::wstring inserts[] = {L"",     L"x",       L"\n", L"new\nlines\n", L"🇫🇷", L"שלום",
                                    L"e\u0301", L" word ", words.substr(0, 700)};
    std::mt19937 random(20261206);
    for (const auto& edits : cases) {
        CTextLayout edited;
        Configure(edited);
        std::wstring model = edits.strText;
        edited.SetText(model);
        for (int step = 0; step < edits.nSteps; ++step) {
            const size_t start = random() % (model.size() + 1);
            const size_t count = std::min<size_t>(random() % edits.nMostRemoved, model.size() - start);
            const std::wstring& with = inserts[random() % edits.nInserts];
            model.replace(start, count, with);
            edited.Replace(start, count, with);

            CTextLayout fresh;
            Configure(fresh);
            fresh.SetText(model);
            ASSERT_EQ(edited.GetLength(), model.size()) << step;
            ASSERT_EQ(edited.GetParagraphCount(), fresh.GetParagraphCount()) << step;
            ASSERT_EQ(edited.GetHeight(0, edited.GetParagraphCount()), fresh.GetHeight(0, fresh.GetParagraphCount()));
            for (size_t pos = 0; pos <= model.size(); pos += 1 + random() % edits.nMostSkipped) {
                const RECT a = edited.GetCaretRect(pos);
                const RECT b = fresh.GetCaretRect(pos);
                ASSERT_TRUE(a.left == b.left && a.top == b.top && a.bottom == b.bottom) << step << " at " << pos;
                ASSERT_EQ(edited.NextCursor(pos), fresh.NextCursor(pos)) << step << " at " << pos;
            }
        }
    }
}

// Where a line starts a piece may start: when the line's first word loses letters, or the space
// before it, the line before may take it, and give it back when they return.
TEST(CTextLayout, FirstWordsOfLinesMoveUpAndBackAsInAFreshLayout)
{
    std::wstring model;
    for (int i = 0; model.size() < 2000; ++i) {
        model += std::wstring(L"liver in normal size focal lesion ").substr(i % 7, 3 + i % 9) + L" ";
    }
    CTextLayout edited;
    Configure(edited);
    edited.SetText(model);
    for (size_t line = edited.LineEnd(0) + 1; line < model.size(); line = edited.LineEnd(line) + 1) {
        for (const size_t at : {line + 1, line - 1}) {
            const std::wstring letters = model.substr(at, at > line ? 2 : 1);
            for (const std::wstring& with : {std::wstring(), letters}) {
                model.replace(at, letters.size() - with.size(), with);
                edited.Replace(at, letters.size() - with.size(), with);
                CTextLayout fresh;
                Configure(fresh);
                fresh.SetText(model);
                for (size_t pos = line - std::min<size_t>(line, 80); pos < std::min(model.size(), line + 80); pos += 7) {
                    ASSERT_EQ(edited.LineStart(pos), fresh.LineStart(pos)) << "line at " << line;
                }
            }
        }
    }
}

TEST(CTextLayout, CaretStopsHitTestsAndLinesAgree)
{
    CTextLayout layout;
    Configure(layout);
    layout.SetText(kSample);
    for (size_t pos = 0; pos <= kSample.size(); pos = layout.NextCursor(pos)) {
        const RECT caret = layout.GetCaretRect(pos);
        // Where the Hebrew run meets the Chinese one, one x stands for two positions (Pango's
        // strong and weak carets), so the point does not lead back to one of them.
        const bool mixed = pos >= kSample.find(L'肝') && pos <= kSample.find(L'Ή');
        if (!mixed) {
            EXPECT_EQ(layout.HitTest(caret.left, (caret.top + caret.bottom) / 2), pos) << pos;
        }
        EXPECT_EQ(layout.PrevCursor(layout.NextCursor(pos)), pos == kSample.size() ? layout.PrevCursor(pos) : pos);
        EXPECT_LE(layout.LineStart(pos), pos);
        EXPECT_GE(layout.LineEnd(pos), pos);
        // A caret in a taller run of another font starts below its line's top.
        const int lineTop = layout.GetLineTop(caret.top);
        EXPECT_LE(lineTop, caret.top);
        EXPECT_GT(lineTop + layout.GetLineHeight(), caret.top);
        EXPECT_EQ(layout.GetLineTop(lineTop), lineTop);
        if (pos == kSample.size()) {
            break;
        }
    }
    // Points beyond the text land on its nearest end; offsets beyond it are clamped.
    EXPECT_EQ(layout.HitTest(-50, -50), 0u);
    EXPECT_EQ(layout.HitTest(10000, 100000), kSample.size());
    EXPECT_EQ(layout.NextCursor(kSample.size() + 10), kSample.size());
    EXPECT_EQ(layout.GetCaretRect(kSample.size() + 10).top, layout.GetCaretRect(kSample.size()).top);
    EXPECT_EQ(layout.GetLineTop(100000), layout.GetLineTop(layout.GetCaretRect(kSample.size()).top));
}

TEST(CTextLayout, OffsetsBeyondTheTextAndInvalidCharactersAreHarmless)
{
    CTextLayout layout;
    Configure(layout);
    // Surrogates and values beyond Unicode show as U+FFFD, one character each.
    const std::wstring text{L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), L'b'};
    layout.SetText(text);
    EXPECT_EQ(layout.GetLength(), 4u);
    EXPECT_EQ(layout.NextCursor(1), 2u);
    layout.Replace(100, 5, L"\nc");
    EXPECT_EQ(layout.GetLength(), 6u);
    EXPECT_EQ(layout.GetParagraphCount(), 2u);
    layout.Replace(1, 1000, L"");
    EXPECT_EQ(layout.GetLength(), 1u);
    layout.SetText(L"");
    EXPECT_EQ(layout.GetParagraphCount(), 1u);
    EXPECT_EQ(layout.GetHeight(), layout.GetLineHeight());
    EXPECT_EQ(layout.MoveVisually(0, -1), 0u);
    EXPECT_EQ(layout.BackspaceStart(0), 0u);
}

TEST(CTextLayout, PaintDrawsOnlyTheLinesAskedFor)
{
    CTextLayout layout;
    Configure(layout);
    std::wstring text;
    for (int i = 0; i < 40; ++i) {
        text += L"Paragraph number " + std::to_wstring(i) + L"\n";
    }
    layout.SetText(text);
    const int line = layout.GetLineHeight();
    // Lines 10 to 14, painted from the top of a bitmap.
    const int y0 = layout.GetLineTop(10 * line + line / 2);
    const int y1 = layout.GetLineTop(15 * line + 1);
    ASSERT_GT(y1, y0);
    Canvas canvas(40 * line);
    layout.Paint(canvas.dc, 0, -y0, y0, y1, 0xFF000000);
    EXPECT_GT(testing_support::CountOtherPixels(canvas.bitmap, RECT{0, 0, kWidth, y1 - y0}, 0xFFFFFFFF), 50);
    EXPECT_EQ(testing_support::CountOtherPixels(canvas.bitmap, RECT{0, y1 - y0, kWidth, 40 * line}, 0xFFFFFFFF), 0);
    // A selection paints its colour behind the selected characters only.
    canvas.Clear();
    layout.Paint(canvas.dc, 0, 0, 0, line, 0xFF000000, 0, 9, 0xFF0000FF);
    const int selected = testing_support::CountPixels(canvas.bitmap, RECT{0, 0, kWidth, line}, 0xFF0000FF);
    EXPECT_GT(selected, 9 * line);
    EXPECT_LT(selected, kWidth * line / 2);
}

TEST(CTextLayout, PagesBreakBetweenLinesAndCutNone)
{
    CTextLayout layout;
    Configure(layout);
    std::wstring text;
    for (int i = 0; i < 30; ++i) {
        text += L"Paragraph " + std::to_wstring(i) + L" with enough words to wrap onto a second line\n";
    }
    layout.SetText(text);
    const int total = layout.GetHeight(0, layout.GetParagraphCount());
    const int page = layout.GetLineHeight() * 11 / 2;
    Canvas canvas(page);
    int pages = 0;
    for (int y = 0; y < total; ++pages) {
        const int next = y + page >= total ? total : layout.GetLineTop(y + page);
        ASSERT_GT(next, y);
        ASSERT_LE(next - y, page);
        EXPECT_TRUE(next == total || layout.GetLineTop(next) == next) << "a page ends where a line starts";
        // Nothing of the next page's first line shows below this page's last.
        canvas.Clear();
        layout.Paint(canvas.dc, 0, -y, y, next, 0xFF000000);
        EXPECT_EQ(testing_support::CountOtherPixels(canvas.bitmap, RECT{0, next - y, kWidth, page}, 0xFFFFFFFF), 0);
        y = next;
    }
    EXPECT_GE(pages, total / page);
    EXPECT_EQ(layout.GetHeight(), total) << "every paragraph was laid out once, so the total is exact";
}

TEST(CTextLayout, TextShapedByTwoThreadsLaysOutAsByOne)
{
    // Enough text for a second thread to shape the later half of it, in several scripts, with
    // paragraphs long enough to be cut into pieces on both threads' sides.
    std::wstring text;
    while (text.size() < 200 * 1024) {
        text += kSample + std::wstring(1200, L'x') + L"\n";
    }
    CTextLayout together;
    CTextLayout alone;
    Configure(together);
    Configure(alone);
    together.SetText(text);
    alone.SetText(text);
    const size_t count = together.GetParagraphCount();
    const int total = together.GetHeight(0, count);
    int sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const int height = alone.GetHeight(i, i + 1);
        ASSERT_EQ(together.GetHeight(i, i + 1), height) << "paragraph " << i;
        sum += height;
    }
    EXPECT_EQ(total, sum);
    for (size_t pos : {size_t{5}, text.size() / 2 + 17, text.size() - 3}) {
        EXPECT_EQ(together.GetCaretRect(pos), alone.GetCaretRect(pos)) << "position " << pos;
    }
    // The lines near the end, shaped by the helper, paint the same pixels.
    const int line = together.GetLineHeight();
    const int y0 = together.GetLineTop(total - 8 * line);
    Canvas canvases[2] = {Canvas(8 * line), Canvas(8 * line)};
    together.Paint(canvases[0].dc, 0, -y0, y0, y0 + 8 * line, 0xFF000000);
    alone.Paint(canvases[1].dc, 0, -y0, y0, y0 + 8 * line, 0xFF000000);
    EXPECT_GT(testing_support::CountOtherPixels(canvases[0].bitmap, RECT{0, 0, kWidth, 8 * line}, 0xFFFFFFFF), 100);
    for (int y = 0; y < 8 * line; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(testing_support::PixelAt(canvases[0].bitmap, x, y), testing_support::PixelAt(canvases[1].bitmap, x, y))
                << x << "," << y;
        }
    }
}

TEST(CTextLayout, LongParagraphsWrapAsOneLayoutOfTheirWholeText)
{
    // Paragraphs of several pieces each: words, a run without a break, many scripts,
    // right-to-left text, words longer than a piece looks ahead, and a cluster longer than a
    // piece; at a width where a line holds more than a piece too.
    std::wstring sample = kSample;
    std::replace(sample.begin(), sample.end(), L'\n', L' ');
    const std::wstring parts[] = {L"liver normal in size no focal lesion spleen ", L"abcdefghijklmnopqrstuvwxyz",
                                  sample + L" ", L"כבד תקין בגודל ללא ממצא מוקדי ", std::wstring(70, L'w') + L" ab, ",
                                  L"e" + std::wstring(700, L'\u0301') + L" word "};
    for (const std::wstring& part : parts) {
        std::wstring text;
        while (text.size() < 1200) {
            text += part;
        }
        for (int width : {kWidth, 700, 6000}) {
            CTextLayout layout;
            layout.SetFont(TFontInfo{}, 1.0);
            layout.SetWidth(width);
            layout.SetText(text);
            EXPECT_EQ(DifferencesFromWholeLayout(layout, text, width), std::vector<int>(7, 0))
                << "lines, carets, hits, words back and on, steps left and right at width " << width << ": "
                << KMString(part.substr(0, 20)).str();
        }
    }
}
