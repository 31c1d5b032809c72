#pragma once
// Persistent objects and the filer that stores their properties as a binary property stream:
// the part of component streaming that the form descriptions build on. A persistent class
// declares its stored properties in DefineProperties; a TWriter writes those that have data, a
// TReader hands each property it finds to the class that declared it.
//
// Stream format: properties one after the other, each a name (length u8, 1 to 255 bytes), a
// value tag u8 (kBinaryValue) and the value (a little-endian u32 byte count, then the bytes); a
// zero length byte ends the list. The reader trusts none of it: a stream that ends early, an
// unknown tag or a property nobody declared raises EReadError, and a stated length is never
// allocated ahead of the bytes that back it.
//
// Depends on the standard library only, so that its reader can be fuzzed alone.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace sondrel::framework {

class EReadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class EWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A source or sink of bytes.
class TStream
{
public:
    virtual ~TStream() = default;
    // Up to `count` bytes; fewer only at the end.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;

    // Exactly `count` bytes, or EReadError ("Stream read error").
    void ReadBuffer(void* buffer, std::size_t count);
    // Exactly `count` bytes, or EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, std::size_t count);
};

// Bytes in memory, read from and written at one position.
class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes);
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    [[nodiscard]] const std::string& Bytes() const { return m_bytes; }
    [[nodiscard]] std::size_t Position() const { return m_position; }
    void SetPosition(std::size_t position);

private:
    std::string m_bytes;
    std::size_t m_position = 0;
};

class TFiler;

// An object whose state can be copied with Assign and stored through a filer.
class TPersistent
{
public:
    virtual ~TPersistent() = default;
    // Copies `source` into this object. The base asks the source to assign itself (AssignTo),
    // which fails with EConvertError unless a class knows how.
    virtual void Assign(const TPersistent* source);
    [[nodiscard]] virtual std::string ClassName() const { return "TPersistent"; }
    // Declares the stored properties to `filer`.
    virtual void DefineProperties(TFiler& filer);

protected:
    // Assigns this object to `dest`; the base cannot and reports that (EConvertError).
    virtual void AssignTo(TPersistent* dest) const;
    // "Cannot assign a <source> to a <this>".
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

class TFiler
{
public:
    using TStreamProc = std::function<void(TStream& stream)>;
    virtual ~TFiler() = default;
    // `readData` receives a stream over exactly the property's bytes; `writeData` writes them.
    // A writer stores the property only when `hasData`.
    virtual void DefineBinaryProperty(
        const std::string& name, TStreamProc readData, TStreamProc writeData, bool hasData)
        = 0;
};

class TWriter : public TFiler
{
public:
    explicit TWriter(TStream& stream);
    // Every property of `instance` that has data, then the end of the list.
    void WriteProperties(TPersistent& instance);
    void DefineBinaryProperty(const std::string& name, TStreamProc readData, TStreamProc writeData,
        bool hasData) override;

private:
    TStream& m_stream;
};

class TReader : public TFiler
{
public:
    explicit TReader(TStream& stream);
    // Reads properties up to the end of the list and hands each to `instance`.
    void ReadProperties(TPersistent& instance);
    void DefineBinaryProperty(const std::string& name, TStreamProc readData, TStreamProc writeData,
        bool hasData) override;

private:
    TStream& m_stream;
    std::string m_property; // the one being read
    std::string m_value;
    bool m_handled = false;
};

inline constexpr std::uint8_t kBinaryValue = 0x0A;

} // namespace sondrel::framework
