#pragma once
#include "morvane/data/CInputStream.h"
#include "morvane/data/COutputStream.h"

class QIODevice;

namespace ovk {

namespace clsid {
constexpr morvane::CId CMfcFileInputStream{0x5B0E1C27, 0x3D4A4F61, 0x9A7E2C58, 0xD41F6B03};
constexpr morvane::CId CMfcFileOutputStream{0x7C2F3D48, 0x5E6B4082, 0xAB8F3D69, 0xE5207C14};
} // namespace clsid

// Framework streams over one of the GUI toolkit's files (any QIODevice: a
// file, a save file, a buffer), so that the song, instrument and export code
// can read and write what the editor opened. They pass bytes on and nothing
// else: no seeking, no position, no length.
class IArchiveInputStream : public morvane::IInputStream {
public:
    static constexpr morvane::CId kIid{0x2E8C4A19, 0x6F1D4B37, 0x8C2A5E41, 0x97B3D026};
    // The device must be open for reading; it must outlive the stream.
    virtual void Connect(QIODevice* archive) = 0;

protected:
    ~IArchiveInputStream() = default;
};

class IArchiveOutputStream : public morvane::IOutputStream {
public:
    static constexpr morvane::CId kIid{0x3F9D5B2A, 0x702E4C48, 0x9D3B6F52, 0xA8C4E137};
    // The device must be open for writing; it must outlive the stream.
    virtual void Connect(QIODevice* archive) = 0;

protected:
    ~IArchiveOutputStream() = default;
};

class CMfcFileInputStream : public morvane::CInputStreamImpl<IArchiveInputStream> {
public:
    CMfcFileInputStream();
    void Connect(QIODevice* archive) override;
    void Close() override { m_archive = nullptr; }
    unsigned int GetCaps() override { return 0; }
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    bool Eof() override { return m_eof; }
    void Read(morvane::IMediaSample* sample) override;
    std::uint64_t Read(void* buffer, std::uint64_t count) override;
    void Skip(std::uint64_t count) override;

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override
    {
        return AnswerFor<IArchiveInputStream, morvane::IInputStream, morvane::IStream>(this, id);
    }

private:
    QIODevice* m_archive = nullptr;
    bool m_eof = false;
};

class CMfcFileOutputStream : public morvane::COutputStreamImpl<IArchiveOutputStream> {
public:
    CMfcFileOutputStream();
    void Connect(QIODevice* archive) override;
    void Close() override { m_archive = nullptr; }
    unsigned int GetCaps() override { return 0; }
    std::uint64_t GetLength() override;
    void Flush() override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Tell() override;
    std::uint64_t Write(const void* buffer, std::uint64_t count) override;

protected:
    morvane::IObject* FindInterface(const morvane::CId& id) override
    {
        return AnswerFor<IArchiveOutputStream, morvane::IOutputStream, morvane::IStream>(this, id);
    }

private:
    QIODevice* m_archive = nullptr;
};

// Registers the editor's four classes: the song, its player and the two
// archive streams.
void RegisterEditorClasses();

} // namespace ovk
