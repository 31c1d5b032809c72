#include "Filer.h"

#include <algorithm>
#include <cstring>

namespace sondrel::framework {

void TStream::ReadBuffer(void* buffer, std::size_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

TMemoryStream::TMemoryStream(std::string bytes)
    : m_bytes(std::move(bytes))
{
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count)
{
    const std::size_t n = std::min(count, m_bytes.size() - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count)
{
    if (m_position + count > m_bytes.size())
        m_bytes.resize(m_position + count);
    std::memcpy(m_bytes.data() + m_position, buffer, count);
    m_position += count;
    return count;
}

void TMemoryStream::SetPosition(std::size_t position)
{
    m_position = std::min(position, m_bytes.size());
}

void TPersistent::Assign(const TPersistent* source)
{
    if (source != nullptr)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const
{
    throw EConvertError("Cannot assign a " + (source ? source->ClassName() : std::string("nil"))
        + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler&) { }

TWriter::TWriter(TStream& stream)
    : m_stream(stream)
{
}

void TWriter::WriteProperties(TPersistent& instance)
{
    instance.DefineProperties(*this);
    const std::uint8_t end = 0;
    m_stream.WriteBuffer(&end, 1);
}

void TWriter::DefineBinaryProperty(
    const std::string& name, TStreamProc, TStreamProc writeData, bool hasData)
{
    if (!hasData)
        return;
    if (name.empty() || name.size() > 255)
        throw EWriteError("Invalid property name");
    TMemoryStream value;
    writeData(value);
    if (value.Bytes().size() > 0xFFFFFFFFu)
        throw EWriteError("Property value too large");
    const auto length = static_cast<std::uint8_t>(name.size());
    m_stream.WriteBuffer(&length, 1);
    m_stream.WriteBuffer(name.data(), name.size());
    m_stream.WriteBuffer(&kBinaryValue, 1);
    const auto size = static_cast<std::uint32_t>(value.Bytes().size());
    const std::uint8_t sizeBytes[4]
        = { static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
              static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24) };
    m_stream.WriteBuffer(sizeBytes, 4);
    m_stream.WriteBuffer(value.Bytes().data(), value.Bytes().size());
}

TReader::TReader(TStream& stream)
    : m_stream(stream)
{
}

void TReader::ReadProperties(TPersistent& instance)
{
    for (;;) {
        std::uint8_t length = 0;
        m_stream.ReadBuffer(&length, 1);
        if (length == 0)
            return;
        m_property.assign(length, '\0');
        m_stream.ReadBuffer(m_property.data(), length);
        std::uint8_t tag = 0;
        m_stream.ReadBuffer(&tag, 1);
        if (tag != kBinaryValue)
            throw EReadError("Invalid property value");
        std::uint8_t sizeBytes[4];
        m_stream.ReadBuffer(sizeBytes, 4);
        const std::uint32_t size = static_cast<std::uint32_t>(sizeBytes[0])
            | static_cast<std::uint32_t>(sizeBytes[1]) << 8
            | static_cast<std::uint32_t>(sizeBytes[2]) << 16
            | static_cast<std::uint32_t>(sizeBytes[3]) << 24;
        // In pieces, so a length that lies costs no more memory than the bytes that are there.
        m_value.clear();
        char chunk[4096];
        for (std::uint32_t left = size; left > 0;) {
            const std::size_t piece = std::min<std::size_t>(left, sizeof chunk);
            m_stream.ReadBuffer(chunk, piece);
            m_value.append(chunk, piece);
            left -= static_cast<std::uint32_t>(piece);
        }
        m_handled = false;
        instance.DefineProperties(*this);
        if (!m_handled)
            throw EReadError("Error reading " + instance.ClassName() + "." + m_property
                + ": Property does not exist");
    }
}

void TReader::DefineBinaryProperty(const std::string& name, TStreamProc readData, TStreamProc, bool)
{
    if (m_handled || name != m_property)
        return;
    m_handled = true;
    TMemoryStream value(m_value);
    readData(value);
}

} // namespace sondrel::framework
