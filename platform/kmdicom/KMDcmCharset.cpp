#include "platform/kmdicom/KMDcmCharset.h"

#include "platform/kmbase/KMString.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmText.h"
#include "platform/kmdicom/KMDcmWalk.h"

#include <dcmtk/dcmdata/dcelem.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcspchrs.h>

#include <iconv.h>

#include <utility>
#include <vector>

namespace {

// True when an element of `target` that `source` will not replace depends on the character set
// and holds anything but ASCII.
bool KeepsNonAsciiText(DcmItem& target, DcmItem& source)
{
    std::vector<DcmElement*> texts;
    DcmObject* element = nullptr;
    while ((element = target.nextInContainer(element)) != nullptr) {
        if (element->getTag() != DCM_SpecificCharacterSet && !source.tagExists(element->getTag())) {
            KMDcmCharset::CollectTexts(element, texts);
        }
    }
    return !texts.empty();
}

// Clones every element of `source` into `target` but the file meta information and the
// Specific Character Set, which the caller settles.
void InsertClones(DcmItem& target, DcmItem& source)
{
    DcmObject* element = nullptr;
    while ((element = source.nextInContainer(element)) != nullptr) {
        if (element->getGTag() == 0x0002 || element->getTag() == DCM_SpecificCharacterSet) {
            continue;
        }
        target.insert(static_cast<DcmElement*>(element->clone()), OFTrue);
    }
}

const char* const kUtf8 = "ISO_IR 192";
constexpr char kEscape = 0x1B;

std::vector<std::string> Values(const std::string& charset)
{
    std::vector<std::string> values;
    size_t start = 0;
    while (true) {
        const size_t end = charset.find('\\', start);
        values.push_back(KMDcmText::Trimmed(charset.substr(start, end == std::string::npos ? std::string::npos : end - start)));
        if (end == std::string::npos) {
            return values;
        }
        start = end + 1;
    }
}

// Characters after which an ISO 2022 character set returns to its default.
std::string Delimiters(DcmEVR vr)
{
    if (vr == EVR_PN) {
        return "\\^=";
    }
    if (vr == EVR_LT || vr == EVR_ST || vr == EVR_UT) {
        return "";
    }
    return "\\";
}

bool Iconv(const char* to, const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string result(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = result.data();
    size_t dstLeft = result.size();
    const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1) || srcLeft != 0) {
        return false;
    }
    result.resize(result.size() - dstLeft);
    out = std::move(result);
    return true;
}

bool IsUtf8(const std::string& text)
{
    return KMString::ToUtf8(KMString::ToWide(text)) == text;
}

bool IsJapaneseSet(const std::string& charset)
{
    bool japanese = false;
    for (const std::string& value : Values(charset)) {
        if (value == "ISO 2022 IR 13" || value == "ISO 2022 IR 87" || value == "ISO 2022 IR 159") {
            japanese = true;
        } else if (!value.empty() && value != "ISO 2022 IR 6") {
            return false;
        }
    }
    return japanese;
}

// Rewrites Japanese ISO 2022 text as EUC-JP: JIS X 0208 pairs and JIS X 0212 pairs take the high
// bit (the latter behind 0x8F), half-width katakana from G1 goes behind 0x8E.
bool JapaneseToEucJp(const std::string& charset, const std::string& raw, DcmEVR vr, std::string& euc)
{
    enum class G0 { Ascii, Jis0208, Jis0212 };
    const bool katakanaDefault = Values(charset).front() == "ISO 2022 IR 13";
    const std::string delimiters = Delimiters(vr) + "\r\n\f\t";
    G0 g0 = G0::Ascii;
    bool katakana = katakanaDefault;
    euc.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c == static_cast<unsigned char>(kEscape)) {
            const std::string rest = raw.substr(i + 1, 3);
            if (rest.compare(0, 2, "(B") == 0 || rest.compare(0, 2, "(J") == 0) {
                g0 = G0::Ascii;
                i += 2;
            } else if (rest.compare(0, 2, "$B") == 0) {
                g0 = G0::Jis0208;
                i += 2;
            } else if (rest.compare(0, 3, "$(D") == 0) {
                g0 = G0::Jis0212;
                i += 3;
            } else if (rest.compare(0, 2, ")I") == 0) {
                katakana = true;
                i += 2;
            } else {
                return false;
            }
        } else if (c >= 0x80) {
            if (!katakana || c < 0xA1 || c > 0xDF) {
                return false;
            }
            euc += '\x8E';
            euc += static_cast<char>(c);
        } else if (g0 != G0::Ascii && c >= 0x21 && c <= 0x7E) {
            if (i + 1 >= raw.size()) {
                return false;
            }
            const auto second = static_cast<unsigned char>(raw[++i]);
            if (second < 0x21 || second > 0x7E) {
                return false;
            }
            if (g0 == G0::Jis0212) {
                euc += '\x8F';
            }
            euc += static_cast<char>(c | 0x80);
            euc += static_cast<char>(second | 0x80);
        } else {
            if (delimiters.find(static_cast<char>(c)) != std::string::npos || c < 0x20) {
                g0 = G0::Ascii;
                katakana = katakanaDefault;
            }
            euc += static_cast<char>(c);
        }
    }
    return true;
}

} // namespace

void KMDcmCharset::CollectTexts(DcmObject* object, std::vector<DcmElement*>& texts)
{
    const auto take = [&texts](DcmElement& element) {
        OFString value;
        if (element.isLeaf() && element.isAffectedBySpecificCharacterSet() && element.getOFStringArray(value).good() &&
            !KMDcmText::IsAscii(value.c_str(), value.length())) {
            texts.push_back(&element);
        }
    };
    const auto visit = [&take](DcmItem&, DcmElement& element, int) { take(element); };
    if (auto* item = dynamic_cast<DcmItem*>(object)) {
        KMDcmWalk::ForEachElement(*item, visit);
    } else if (object->ident() == EVR_SQ) {
        auto* sequence = static_cast<DcmSequenceOfItems*>(object);
        DcmObject* child = nullptr;
        while ((child = sequence->nextInContainer(child)) != nullptr) {
            KMDcmWalk::ForEachElement(*static_cast<DcmItem*>(child), visit);
        }
    } else if (object->isLeaf()) {
        take(*static_cast<DcmElement*>(object));
    }
}

std::string KMDcmCharset::Of(DcmItem& dataset)
{
    OFString charset;
    if (dataset.findAndGetOFStringArray(DCM_SpecificCharacterSet, charset).bad()) {
        return std::string();
    }
    return KMDcmText::Trimmed(charset.c_str());
}

bool KMDcmCharset::Decode(const std::string& charset, const std::string& raw, DcmEVR vr, std::string& utf8)
{
    if (charset == kUtf8 || (charset.empty() && KMDcmText::IsAscii(raw.data(), raw.size()))) {
        if (!IsUtf8(raw)) {
            return false;
        }
        utf8 = raw;
        return true;
    }
    if (charset.empty()) {
        return false;
    }
    const KMDcmLog quiet;
    DcmSpecificCharacterSet converter;
    OFString converted;
    if (converter.selectCharacterSet(charset.c_str()).good() &&
        converter.convertString(raw.data(), raw.size(), converted, Delimiters(vr).c_str()).good()) {
        const std::string text(converted.c_str(), converted.length());
        if (!IsUtf8(text)) {
            return false;
        }
        utf8 = text;
        return true;
    }
    std::string euc;
    return IsJapaneseSet(charset) && JapaneseToEucJp(charset, raw, vr, euc) && Iconv("UTF-8", "EUC-JP", euc, utf8);
}

bool KMDcmCharset::IsReadable(const std::string& charset)
{
    if (charset.empty()) {
        return false;
    }
    const KMDcmLog quiet;
    DcmSpecificCharacterSet converter;
    return charset == kUtf8 || converter.selectCharacterSet(charset.c_str()).good() || IsJapaneseSet(charset);
}

std::string KMDcmCharset::Read(const std::string& charset, const std::string& raw, DcmEVR vr)
{
    std::string utf8;
    if (Decode(charset, raw, vr, utf8)) {
        return utf8;
    }
    // ISO_IR 100 (ISO 8859-1) gives every byte the code point of its own value.
    std::wstring latin1;
    latin1.reserve(raw.size());
    for (char c : raw) {
        latin1 += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return KMString::ToUtf8(latin1);
}

bool KMDcmCharset::FromUtf8(const std::string& charset, const std::string& utf8, std::string& encoded)
{
    if (charset == kUtf8) {
        encoded = utf8;
        return true;
    }
    if (charset.empty() || charset.find('\\') != std::string::npos || charset.rfind("ISO 2022", 0) == 0) {
        return false;
    }
    const KMDcmLog quiet;
    DcmSpecificCharacterSet converter;
    OFString out;
    if (converter.selectCharacterSet(kUtf8, charset.c_str()).bad() ||
        converter.convertString(utf8.data(), utf8.size(), out).bad()) {
        return false;
    }
    // A converter may substitute what it cannot map; a value that does not come back is not held.
    const std::string bytes(out.c_str(), out.length());
    std::string back;
    if (!Decode(charset, bytes, EVR_LO, back) || back != utf8) {
        return false;
    }
    encoded = bytes;
    return true;
}

bool KMDcmCharset::TakeIn(DcmDataset& target, DcmItem& source, DcmDataset& sourceRoot)
{
    const std::string sourceCharset = Of(sourceRoot);
    std::vector<DcmElement*> sourceTexts;
    CollectTexts(&source, sourceTexts);
    if (sourceTexts.empty()) {
        InsertClones(target, source);
        return true;
    }
    if (IsReadable(sourceCharset) && (sourceCharset == Of(target) || !KeepsNonAsciiText(target, source))) {
        target.putAndInsertString(DCM_SpecificCharacterSet, sourceCharset.c_str());
        InsertClones(target, source);
        return true;
    }
    // Both sides keep text that only its own character set reads, or the source's bytes are in no
    // declared set: bring both to UTF-8.
    DcmItem converted(source);
    if (!ConvertToUtf8(converted, sourceCharset) || !ConvertToUtf8(target, Of(target))) {
        return false;
    }
    InsertClones(target, converted);
    return true;
}

bool KMDcmCharset::ConvertToUtf8(DcmItem& item, const std::string& charset)
{
    std::vector<DcmElement*> texts;
    if (charset != kUtf8) {
        CollectTexts(&item, texts);
    }
    std::vector<std::string> decoded(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        OFString raw;
        texts[i]->getOFStringArray(raw);
        decoded[i] = Read(charset, std::string(raw.c_str(), raw.length()), texts[i]->getVR());
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i]->putString(decoded[i].c_str(), static_cast<Uint32>(decoded[i].size())).bad()) {
            return false;
        }
    }
    return item.putAndInsertString(DCM_SpecificCharacterSet, kUtf8).good();
}
