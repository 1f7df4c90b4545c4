#include "MultipartBody.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

namespace {

std::string RandomBoundary()
{
    std::random_device device;
    std::string boundary = "srreport-";
    for (int i = 0; i < 4; ++i) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", device());
        boundary += hex;
    }
    return boundary;
}

} // namespace

MultipartBody::MultipartBody(std::string contentType)
    : m_strContentType(std::move(contentType)), m_strBoundary(RandomBoundary())
{
    // The closing delimiter, sent after the parts.
    m_vecPieces.push_back({"--" + m_strBoundary + "--\r\n", "", 0});
    m_vecPieces.back().length = m_vecPieces.back().text.size();
}

MultipartBody::~MultipartBody()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
    }
}

bool MultipartBody::Add(const std::string& path)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const std::string head = "--" + m_strBoundary + "\r\nContent-Type: " + m_strContentType + "\r\n\r\n";
    m_vecPieces.insert(m_vecPieces.end() - 1, {Piece{head, "", head.size()},
                                               Piece{"", path, static_cast<std::uint64_t>(info.st_size)},
                                               Piece{"\r\n", "", 2}});
    return true;
}

std::uint64_t MultipartBody::Length() const
{
    std::uint64_t length = 0;
    for (const Piece& piece : m_vecPieces) {
        length += piece.length;
    }
    return length;
}

bool MultipartBody::Read(char* buffer, std::size_t size, std::size_t& copied)
{
    copied = 0;
    while (copied < size && m_nPiece < m_vecPieces.size()) {
        const Piece& piece = m_vecPieces[m_nPiece];
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - copied, piece.length - m_nOffset));
        if (piece.path.empty()) {
            std::memcpy(buffer + copied, piece.text.data() + m_nOffset, want);
        } else {
            if (m_pFile == nullptr && (m_pFile = std::fopen(piece.path.c_str(), "rb")) == nullptr) {
                m_strProblem = "cannot read " + piece.path + ": " + std::strerror(errno);
                return false;
            }
            if (want > 0 && std::fread(buffer + copied, 1, want, m_pFile) != want) {
                m_strProblem = piece.path + " became shorter while it was sent";
                return false;
            }
        }
        copied += want;
        m_nOffset += want;
        if (m_nOffset == piece.length) {
            if (m_pFile != nullptr) {
                std::fclose(m_pFile);
                m_pFile = nullptr;
            }
            ++m_nPiece;
            m_nOffset = 0;
        }
    }
    return true;
}
