#include "platform/duilib/CTextLayout.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/DeviceContext.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace DuiLib {

struct CTextLayout::Paragraph {
    Paragraph() = default;
    Paragraph(const Paragraph&) = delete;
    Paragraph& operator=(const Paragraph&) = delete;
    ~Paragraph()
    {
        if (pLayout != nullptr) {
            g_object_unref(pLayout);
        }
    }
    void DropLayout()
    {
        if (pLayout != nullptr) {
            g_object_unref(pLayout);
            pLayout = nullptr;
        }
    }

    std::string strUtf8;
    size_t nChars = 0;
    PangoLayout* pLayout = nullptr;
    int nHeight = -1;  // exact while pLayout is set, else an estimate, or -1 before one is made
};

namespace {

// Splits wide text at '\n' into UTF-8 paragraphs (at least one) and their lengths.
std::vector<std::string> SplitUtf8(const wchar_t* text, size_t length, std::vector<size_t>& chars)
{
    std::vector<std::string> paragraphs;
    chars.clear();
    const wchar_t* end = text + length;
    for (const wchar_t* start = text;;) {
        const wchar_t* stop = std::find(start, end, L'\n');
        paragraphs.push_back(KMString::ToUtf8(start, static_cast<size_t>(stop - start)));
        chars.push_back(static_cast<size_t>(stop - start));
        if (stop == end) {
            return paragraphs;
        }
        start = stop + 1;
    }
}

// Below this much text still to be shaped, a second thread would cost more than it saves.
constexpr size_t kHelperBytes = 128 * 1024;

// Layouts need no target to be measured; every text layout of the thread shares one context
// (the control lives on the host's UI thread).
PangoContext* SharedContext()
{
    static PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    return context;
}

void SetSourceColor(cairo_t* cr, DWORD color)
{
    cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
                          ((color >> 24) & 0xFF) / 255.0);
}

} // namespace

void CTextLayout::BeginFontSetup() { SharedContext(); }

void CTextLayout::OpenFont(const TFontInfo& font)
{
    CTextLayout layout;
    layout.SetFont(font, 1.0);
    layout.GetLineHeight();
}

CTextLayout::CTextLayout()
{
    SetFont(TFontInfo{}, 1.0);
    SetText(L"");
}

CTextLayout::~CTextLayout()
{
    m_vecParagraphs.clear();
    pango_font_description_free(m_pFont);
}

void CTextLayout::SetFont(const TFontInfo& font, double zoom)
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, KMString(font.sFamily).c_str());
    pango_font_description_set_absolute_size(description, std::max(1.0, font.iSize * zoom) * PANGO_SCALE);
    pango_font_description_set_weight(description, font.bBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, font.bItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    if (m_pFont != nullptr && pango_font_description_equal(description, m_pFont)) {
        pango_font_description_free(description);
        return;
    }
    if (m_pFont != nullptr) {
        pango_font_description_free(m_pFont);
    }
    m_pFont = description;
    m_nLineHeight = 0;
    DropLayouts();
}

void CTextLayout::EnsureMetrics()
{
    if (m_nLineHeight > 0) {
        return;
    }
    PangoFontMetrics* metrics = pango_context_get_metrics(SharedContext(), m_pFont, nullptr);
    m_nCharWidth = std::max(1, PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(metrics)));
    pango_font_metrics_unref(metrics);
    PangoLayout* sample = pango_layout_new(SharedContext());
    pango_layout_set_font_description(sample, m_pFont);
    pango_layout_set_text(sample, "Ag", -1);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(sample, nullptr, &logical);
    m_nLineHeight = std::max(1, logical.height);
    g_object_unref(sample);
}

void CTextLayout::DropLayouts()
{
    for (auto& paragraph : m_vecParagraphs) {
        paragraph->DropLayout();
        paragraph->nHeight = -1;
    }
    m_nValid = std::min<size_t>(m_nValid, 1);
}

void CTextLayout::SetWidth(int width)
{
    width = std::max(width, 0);
    if (width == m_nWidth) {
        return;
    }
    m_nWidth = width;
    DropLayouts();
}

void CTextLayout::SetText(const std::wstring& text)
{
    std::vector<size_t> chars;
    std::vector<std::string> utf8 = SplitUtf8(text.data(), text.size(), chars);
    m_vecParagraphs.clear();
    m_vecParagraphs.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto paragraph = std::make_unique<Paragraph>();
        paragraph->strUtf8.swap(utf8[i]);
        paragraph->nChars = chars[i];
        m_vecParagraphs.push_back(std::move(paragraph));
    }
    m_vecStart.assign(m_vecParagraphs.size(), 0);
    m_vecTop.assign(m_vecParagraphs.size(), 0);
    m_nValid = 1;
}

void CTextLayout::Replace(size_t start, size_t count, const std::wstring& with)
{
    const size_t length = GetLength();
    start = std::min(start, length);
    count = std::min(count, length - start);
    const size_t first = ParagraphAt(start);
    const size_t last = ParagraphAt(start + count);
    const Paragraph& head = *m_vecParagraphs[first];
    const Paragraph& tail = *m_vecParagraphs[last];
    const std::string before = head.strUtf8.substr(0, static_cast<size_t>(ByteIndex(head, start - Start(first))));
    const size_t tailOffset = start + count - Start(last);
    const std::string after = tail.strUtf8.substr(static_cast<size_t>(ByteIndex(tail, tailOffset)));
    const size_t afterChars = tail.nChars - tailOffset;
    const size_t beforeChars = start - Start(first);

    std::vector<size_t> chars;
    std::vector<std::string> utf8 = SplitUtf8(with.data(), with.size(), chars);
    utf8.front().insert(0, before);
    chars.front() += beforeChars;
    utf8.back() += after;
    chars.back() += afterChars;

    // Paragraphs [first, last] give way to the new ones; only those lose their layouts.
    const size_t common = std::min(utf8.size(), last - first + 1);
    for (size_t i = 0; i < common; ++i) {
        Paragraph& paragraph = *m_vecParagraphs[first + i];
        paragraph.DropLayout();
        paragraph.strUtf8.swap(utf8[i]);
        paragraph.nChars = chars[i];
        paragraph.nHeight = -1;
    }
    const auto at = m_vecParagraphs.begin() + static_cast<std::ptrdiff_t>(first + common);
    if (utf8.size() > common) {
        std::vector<std::unique_ptr<Paragraph>> added;
        for (size_t i = common; i < utf8.size(); ++i) {
            auto paragraph = std::make_unique<Paragraph>();
            paragraph->strUtf8.swap(utf8[i]);
            paragraph->nChars = chars[i];
            added.push_back(std::move(paragraph));
        }
        m_vecParagraphs.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    } else {
        m_vecParagraphs.erase(at, at + static_cast<std::ptrdiff_t>(last - first + 1 - common));
    }
    m_vecStart.resize(m_vecParagraphs.size());
    m_vecTop.resize(m_vecParagraphs.size());
    Invalidate(first);
}

size_t CTextLayout::GetLength()
{
    const size_t last = m_vecParagraphs.size() - 1;
    return Start(last) + m_vecParagraphs[last]->nChars;
}

int CTextLayout::GetHeight(size_t first, size_t last)
{
    last = std::min(last, m_vecParagraphs.size());
    LayOutWithHelper(first, last);
    int height = 0;
    for (size_t i = first; i < last; ++i) {
        Layout(i);
        height += Height(i);
    }
    return height;
}

int CTextLayout::GetHeight()
{
    const size_t last = m_vecParagraphs.size() - 1;
    return Top(last) + Height(last);
}

int CTextLayout::GetLineHeight()
{
    EnsureMetrics();
    return m_nLineHeight;
}

int CTextLayout::GetLineTop(int y)
{
    const size_t index = ParagraphAtY(y);
    PangoLayout* layout = Layout(index);
    const int top = Top(index);
    const int local = (y - top) * PANGO_SCALE;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    int lineTop = 0;
    do {
        int y0 = 0;
        int y1 = 0;
        pango_layout_iter_get_line_yrange(iter, &y0, &y1);
        lineTop = y0;
        if (local < y1) {
            break;
        }
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    return top + PANGO_PIXELS_FLOOR(lineTop);
}

void CTextLayout::Prepare(int y0, int y1)
{
    for (size_t i = ParagraphAtY(y0); i < m_vecParagraphs.size() && Top(i) < y1; ++i) {
        Layout(i);
    }
}

void CTextLayout::Paint(HDC hDC, int x, int y, int y0, int y1, DWORD color, size_t selStart, size_t selEnd,
                        DWORD selColor)
{
    cairo_t* cr = platform::GetCairo(hDC);
    if (cr == nullptr || (color >> 24) == 0) {
        return;
    }
    for (size_t i = ParagraphAtY(y0); i < m_vecParagraphs.size(); ++i) {
        PangoLayout* layout = Layout(i);
        const int top = Top(i);
        if (top >= y1) {
            break;
        }
        const Paragraph& paragraph = *m_vecParagraphs[i];
        const size_t start = Start(i);
        const bool selected = selEnd > selStart && selStart <= start + paragraph.nChars && selEnd > start;
        const int selFrom = selected ? ByteIndex(paragraph, selStart > start ? selStart - start : 0) : 0;
        const int selTo = selected ? ByteIndex(paragraph, std::min(selEnd - start, paragraph.nChars)) : 0;
        PangoLayoutIter* iter = pango_layout_get_iter(layout);
        do {
            int lineTop = 0;
            int lineBottom = 0;
            pango_layout_iter_get_line_yrange(iter, &lineTop, &lineBottom);
            const double lineY = y + top + lineTop / static_cast<double>(PANGO_SCALE);
            if (top + PANGO_PIXELS_CEIL(lineBottom) <= y0) {
                continue;
            }
            if (top + PANGO_PIXELS_FLOOR(lineTop) >= y1) {
                break;
            }
            PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
            if (selected && selFrom < line->start_index + line->length && selTo > line->start_index) {
                int* ranges = nullptr;
                int count = 0;
                pango_layout_line_get_x_ranges(line, std::max(selFrom, line->start_index),
                                               std::min(selTo, line->start_index + line->length), &ranges, &count);
                SetSourceColor(cr, selColor);
                for (int r = 0; r < count; ++r) {
                    const double left = x + ranges[2 * r] / static_cast<double>(PANGO_SCALE);
                    const double width = (ranges[2 * r + 1] - ranges[2 * r]) / static_cast<double>(PANGO_SCALE);
                    cairo_rectangle(cr, left, lineY, std::max(width, 1.0),
                                    (lineBottom - lineTop) / static_cast<double>(PANGO_SCALE));
                }
                cairo_fill(cr);
                g_free(ranges);
            }
            PangoRectangle logical{};
            pango_layout_iter_get_line_extents(iter, nullptr, &logical);
            SetSourceColor(cr, color);
            cairo_move_to(cr, x + logical.x / static_cast<double>(PANGO_SCALE),
                          y + top + pango_layout_iter_get_baseline(iter) / static_cast<double>(PANGO_SCALE));
            pango_cairo_show_layout_line(cr, line);
        } while (pango_layout_iter_next_line(iter));
        pango_layout_iter_free(iter);
    }
}

RECT CTextLayout::GetCaretRect(size_t pos)
{
    const size_t index = ParagraphAt(pos);
    PangoLayout* layout = Layout(index);
    PangoRectangle strong{};
    pango_layout_get_cursor_pos(layout, ByteIndex(*m_vecParagraphs[index], pos - Start(index)), &strong, nullptr);
    const int top = Top(index) + PANGO_PIXELS_FLOOR(strong.y);
    const int x = PANGO_PIXELS(strong.x);
    return RECT{x, top, x, top + std::max(1, PANGO_PIXELS_CEIL(strong.height))};
}

size_t CTextLayout::HitTest(int x, int y)
{
    const size_t index = ParagraphAtY(y);
    PangoLayout* layout = Layout(index);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    const int local = std::clamp(y - Top(index), 0, std::max(0, Height(index) - 1));
    int byteIndex = 0;
    int trailing = 0;
    pango_layout_xy_to_index(layout, x * PANGO_SCALE, local * PANGO_SCALE, &byteIndex, &trailing);
    return Start(index) + std::min(CharOffset(paragraph, byteIndex) + static_cast<size_t>(trailing), paragraph.nChars);
}

size_t CTextLayout::MoveVisually(size_t pos, int direction)
{
    const size_t index = ParagraphAt(pos);
    PangoLayout* layout = Layout(index);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    int newIndex = 0;
    int trailing = 0;
    pango_layout_move_cursor_visually(layout, TRUE, ByteIndex(paragraph, pos - Start(index)), 0, direction < 0 ? -1 : 1,
                                      &newIndex, &trailing);
    // Leaving the paragraph goes to the neighbour in logical order, as the paragraph's own
    // lines do.
    if (newIndex < 0) {
        return index > 0 ? Start(index) - 1 : pos;
    }
    if (newIndex == G_MAXINT) {
        return index + 1 < m_vecParagraphs.size() ? Start(index + 1) : pos;
    }
    return Start(index) + std::min(CharOffset(paragraph, newIndex) + static_cast<size_t>(trailing), paragraph.nChars);
}

size_t CTextLayout::NextCursor(size_t pos)
{
    const size_t index = ParagraphAt(pos);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    size_t offset = pos - Start(index);
    if (offset >= paragraph.nChars) {
        return index + 1 < m_vecParagraphs.size() ? Start(index + 1) : Start(index) + paragraph.nChars;
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(Layout(index), &count);
    do {
        ++offset;
    } while (offset < paragraph.nChars && !attrs[offset].is_cursor_position);
    return Start(index) + offset;
}

size_t CTextLayout::PrevCursor(size_t pos)
{
    const size_t index = ParagraphAt(pos);
    size_t offset = std::min(pos - Start(index), m_vecParagraphs[index]->nChars);
    if (offset == 0) {
        return index > 0 ? Start(index) - 1 : 0;
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(Layout(index), &count);
    do {
        --offset;
    } while (offset > 0 && !attrs[offset].is_cursor_position);
    return Start(index) + offset;
}

size_t CTextLayout::BackspaceStart(size_t pos)
{
    const size_t index = ParagraphAt(pos);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    const size_t offset = std::min(pos - Start(index), paragraph.nChars);
    if (offset == 0) {
        return index > 0 ? Start(index) - 1 : 0;
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(Layout(index), &count);
    // A mark that ends the cluster goes alone where Pango's attributes allow it; a flag, a
    // joined emoji or a base letter goes whole, never in halves.
    const char* text = paragraph.strUtf8.c_str();
    const gunichar last = g_utf8_get_char(g_utf8_prev_char(text + ByteIndex(paragraph, offset)));
    if (attrs[offset].backspace_deletes_character && g_unichar_ismark(last)) {
        return pos - 1;
    }
    return PrevCursor(pos);
}

size_t CTextLayout::MoveByWord(size_t pos, int direction)
{
    const size_t index = ParagraphAt(pos);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    size_t offset = std::min(pos - Start(index), paragraph.nChars);
    if (direction > 0 && offset == paragraph.nChars) {
        return NextCursor(pos);
    }
    if (direction <= 0 && offset == 0) {
        return PrevCursor(pos);
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(Layout(index), &count);
    if (direction > 0) {
        do {
            ++offset;
        } while (offset < paragraph.nChars && !attrs[offset].is_word_start);
    } else {
        do {
            --offset;
        } while (offset > 0 && !attrs[offset].is_word_start);
    }
    return Start(index) + offset;
}

size_t CTextLayout::LineStart(size_t pos)
{
    const size_t index = ParagraphAt(pos);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    PangoLayout* layout = Layout(index);
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout, ByteIndex(paragraph, pos - Start(index)), FALSE, &line, &x);
    return Start(index) + CharOffset(paragraph, pango_layout_get_line_readonly(layout, line)->start_index);
}

size_t CTextLayout::LineEnd(size_t pos)
{
    const size_t index = ParagraphAt(pos);
    const Paragraph& paragraph = *m_vecParagraphs[index];
    PangoLayout* layout = Layout(index);
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout, ByteIndex(paragraph, pos - Start(index)), FALSE, &line, &x);
    const PangoLayoutLine* lineObject = pango_layout_get_line_readonly(layout, line);
    const size_t end = Start(index) + CharOffset(paragraph, lineObject->start_index + lineObject->length);
    // A wrapped line ends before the character it wrapped at, so that the caret stays on it.
    if (line + 1 < pango_layout_get_line_count(layout) && end > LineStart(pos)) {
        return PrevCursor(end);
    }
    return end;
}

PangoLayout* CTextLayout::Layout(size_t index)
{
    Paragraph& paragraph = *m_vecParagraphs[index];
    if (paragraph.pLayout == nullptr) {
        Adopt(index, MakeLayout(SharedContext(), paragraph));
    }
    return paragraph.pLayout;
}

PangoLayout* CTextLayout::MakeLayout(PangoContext* context, const Paragraph& paragraph) const
{
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, m_pFont);
    if (m_nWidth > 0) {
        pango_layout_set_width(layout, m_nWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    pango_layout_set_text(layout, paragraph.strUtf8.data(), static_cast<int>(paragraph.strUtf8.size()));
    // Asking for the extents shapes the text, here rather than in whoever paints it.
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    return layout;
}

void CTextLayout::Adopt(size_t index, PangoLayout* layout)
{
    Paragraph& paragraph = *m_vecParagraphs[index];
    paragraph.pLayout = layout;
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    const int height = std::max(logical.height, GetLineHeight());
    if (height != paragraph.nHeight) {
        paragraph.nHeight = height;
        Invalidate(index);
    }
}

void CTextLayout::LayOutWithHelper(size_t first, size_t last)
{
    size_t bytes = 0;
    for (size_t i = first; i < last; ++i) {
        bytes += m_vecParagraphs[i]->pLayout == nullptr ? m_vecParagraphs[i]->strUtf8.size() : 0;
    }
    if (bytes < kHelperBytes || std::thread::hardware_concurrency() < 2) {
        return;
    }
    std::vector<size_t> pending;
    for (size_t i = first; i < last; ++i) {
        if (m_vecParagraphs[i]->pLayout == nullptr) {
            pending.push_back(i);
        }
    }
    // The helper takes the later half of the text. Pango wants a font map per thread: the
    // helper's own is kept alive by the layouts it makes, which this thread adopts once the
    // helper has ended and uses alone from then on.
    GetLineHeight();
    size_t split = pending.size();
    for (size_t half = 0; split > 0 && half < bytes / 2; --split) {
        half += m_vecParagraphs[pending[split - 1]]->strUtf8.size();
    }
    std::vector<PangoLayout*> made(pending.size() - split, nullptr);
    std::thread helper;
    try {
        helper = std::thread([&] {
            PangoFontMap* fonts = pango_cairo_font_map_new();
            PangoContext* context = pango_font_map_create_context(fonts);
            g_object_unref(fonts);
            for (size_t k = 0; k < made.size(); ++k) {
                made[k] = MakeLayout(context, *m_vecParagraphs[pending[split + k]]);
            }
            g_object_unref(context);
        });
    } catch (const std::system_error&) {
        return;
    }
    try {
        for (size_t k = 0; k < split; ++k) {
            Layout(pending[k]);
        }
    } catch (...) {
        helper.join();
        for (PangoLayout* layout : made) {
            g_object_unref(layout);
        }
        throw;
    }
    helper.join();
    for (size_t k = 0; k < made.size(); ++k) {
        Adopt(pending[split + k], made[k]);
    }
}

void CTextLayout::Invalidate(size_t index)
{
    m_nValid = std::min(m_nValid, index + 1);
}

void CTextLayout::UpdatePrefix(size_t upto)
{
    for (size_t i = std::max<size_t>(m_nValid, 1); i <= upto; ++i) {
        m_vecStart[i] = m_vecStart[i - 1] + m_vecParagraphs[i - 1]->nChars + 1;
        m_vecTop[i] = m_vecTop[i - 1] + Height(i - 1);
    }
    m_nValid = std::max(m_nValid, upto + 1);
}

int CTextLayout::Height(size_t index)
{
    Paragraph& paragraph = *m_vecParagraphs[index];
    if (paragraph.nHeight < 0) {
        paragraph.nHeight = EstimateHeight(paragraph);
    }
    return paragraph.nHeight;
}

int CTextLayout::EstimateHeight(const Paragraph& paragraph)
{
    EnsureMetrics();
    if (m_nWidth <= 0) {
        return m_nLineHeight;
    }
    const size_t perLine = std::max<size_t>(1, static_cast<size_t>(m_nWidth / m_nCharWidth));
    const size_t lines = std::max<size_t>(1, (paragraph.nChars + perLine - 1) / perLine);
    return static_cast<int>(std::min<size_t>(lines * static_cast<size_t>(m_nLineHeight), 1u << 24));
}

size_t CTextLayout::Start(size_t index)
{
    UpdatePrefix(index);
    return m_vecStart[index];
}

int CTextLayout::Top(size_t index)
{
    UpdatePrefix(index);
    return m_vecTop[index];
}

size_t CTextLayout::ParagraphAt(size_t pos)
{
    UpdatePrefix(m_vecParagraphs.size() - 1);
    const auto it = std::upper_bound(m_vecStart.begin(), m_vecStart.end(), pos);
    return static_cast<size_t>(it - m_vecStart.begin()) - 1;
}

size_t CTextLayout::ParagraphAtY(int y)
{
    UpdatePrefix(m_vecParagraphs.size() - 1);
    const auto it = std::upper_bound(m_vecTop.begin(), m_vecTop.end(), y);
    return it == m_vecTop.begin() ? 0 : static_cast<size_t>(it - m_vecTop.begin()) - 1;
}

int CTextLayout::ByteIndex(const Paragraph& paragraph, size_t offset)
{
    const char* text = paragraph.strUtf8.c_str();
    const auto clamped = static_cast<glong>(std::min(offset, paragraph.nChars));
    return static_cast<int>(g_utf8_offset_to_pointer(text, clamped) - text);
}

size_t CTextLayout::CharOffset(const Paragraph& paragraph, int byteIndex)
{
    const char* text = paragraph.strUtf8.c_str();
    const int clamped = std::clamp(byteIndex, 0, static_cast<int>(paragraph.strUtf8.size()));
    return static_cast<size_t>(g_utf8_pointer_to_offset(text, text + clamped));
}

} // namespace DuiLib
