#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A multipart/related body of files, read part by part from disk as it is sent, so that sending
// a study costs no more memory than one buffer. Each part is a file with the content type the
// body was made for.
class MultipartBody {
public:
    // `contentType` is each part's type, such as "application/dicom".
    explicit MultipartBody(std::string contentType);
    ~MultipartBody();
    MultipartBody(const MultipartBody&) = delete;
    MultipartBody& operator=(const MultipartBody&) = delete;

    // Adds a file as the next part; false (and nothing added) when it cannot be read.
    bool Add(const std::string& path);

    // The boundary between the parts, random, so that no file holds it by chance.
    const std::string& Boundary() const { return m_strBoundary; }
    // The length of the whole body.
    std::uint64_t Length() const;

    // Copies up to `size` further bytes of the body into `buffer`; 0 at its end. False when a
    // file became shorter, or could not be read, since its length was taken: `Problem` says which.
    bool Read(char* buffer, std::size_t size, std::size_t& copied);
    const std::string& Problem() const { return m_strProblem; }

private:
    // A text of the framing, or a file (`path` set, `text` empty).
    struct Piece {
        std::string text;
        std::string path;
        std::uint64_t length = 0;
    };

    std::string m_strContentType;
    std::string m_strBoundary;
    std::vector<Piece> m_vecPieces;
    std::size_t m_nPiece = 0;
    std::uint64_t m_nOffset = 0;
    std::FILE* m_pFile = nullptr;
    std::string m_strProblem;
};
