#include "platform/win32/ObjIdl.h"

#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <vector>

namespace {

class MemoryStream final : public IStream {
public:
    ULONG AddRef() override { return ++m_nRefs; }

    ULONG Release() override
    {
        const ULONG left = --m_nRefs;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT Read(void* buffer, ULONG count, ULONG* read) override
    {
        if (buffer == nullptr && count != 0) {
            return E_POINTER;
        }
        const size_t available = m_nPos < m_vecBytes.size() ? m_vecBytes.size() - m_nPos : 0;
        const size_t n = count < available ? count : available;
        if (n != 0) {
            std::memcpy(buffer, m_vecBytes.data() + m_nPos, n);
        }
        m_nPos += n;
        if (read != nullptr) {
            *read = static_cast<ULONG>(n);
        }
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override
    {
        if (buffer == nullptr && count != 0) {
            return E_POINTER;
        }
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        try {
            if (m_nPos == m_vecBytes.size()) {
                // Appending, the usual case: no zero fill before the copy.
                m_vecBytes.insert(m_vecBytes.end(), bytes, bytes + count);
            } else {
                if (m_nPos + count > m_vecBytes.size()) {
                    m_vecBytes.resize(m_nPos + count);
                }
                if (count != 0) {
                    std::memcpy(m_vecBytes.data() + m_nPos, bytes, count);
                }
            }
        } catch (const std::exception&) {
            return E_OUTOFMEMORY;
        }
        m_nPos += count;
        if (written != nullptr) {
            *written = count;
        }
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        std::int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(m_nPos); break;
        case STREAM_SEEK_END: base = static_cast<std::int64_t>(m_vecBytes.size()); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        if ((move.QuadPart < 0 && base < -move.QuadPart) ||
            (move.QuadPart > 0 && base > std::numeric_limits<std::int64_t>::max() - move.QuadPart)) {
            return STG_E_INVALIDFUNCTION;
        }
        m_nPos = static_cast<size_t>(base + move.QuadPart);
        if (newPosition != nullptr) {
            newPosition->QuadPart = m_nPos;
        }
        return S_OK;
    }

    HRESULT Stat(STATSTG* stat, DWORD) override
    {
        if (stat == nullptr) {
            return E_POINTER;
        }
        stat->pwcsName = nullptr;
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_vecBytes.size();
        return S_OK;
    }

private:
    ~MemoryStream() override = default;

    ULONG m_nRefs = 1;
    size_t m_nPos = 0;
    std::vector<unsigned char> m_vecBytes;
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL, IStream** stream)
{
    if (stream == nullptr) {
        return E_POINTER;
    }
    *stream = nullptr;
    if (memory != nullptr) {
        return E_INVALIDARG;
    }
    *stream = new (std::nothrow) MemoryStream;
    return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
}
