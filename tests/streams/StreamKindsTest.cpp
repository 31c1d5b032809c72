#include "StreamKinds.h"

#include "BackupApi.h"

#include <gtest/gtest.h>

using namespace sondrel::streams;

namespace {

StreamInfo Kind(win32::DWORD id)
{
    StreamInfo info;
    info.Header.dwStreamId = id;
    return info;
}

// The names people read in the tips, one per kind, and the offset a sparse block carries in
// its first 8 bytes (little-endian); a block whose bytes were not loaded names no offset.
TEST(StreamKinds, EachKindHasItsName)
{
    const struct
    {
        win32::DWORD Id;
        const char* Name;
    } kinds[] = { { 1, "Main data" }, { 2, "Extended attributes" }, { 3, "Security descriptor" },
        { 4, "Named stream" }, { 5, "Hard link" }, { 6, "Property data" }, { 7, "Object id" },
        { 8, "Reparse data" }, { 9, "Sparse block" }, { 10, "Transaction data" },
        { 11, "Ghosted file extents" }, { 0, "Unknown kind 0" }, { 12, "Unknown kind 12" } };
    for (const auto& kind : kinds)
        EXPECT_EQ(StreamKindName(Kind(kind.Id)), kind.Name) << kind.Id;

    StreamInfo block = Kind(win32::BACKUP_SPARSE_BLOCK);
    block.Data.reset(new std::uint8_t[10] { 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 9, 9 });
    block.DataLength = 10;
    EXPECT_EQ(StreamKindName(block), "Sparse block at 72057594037993472");
    block.DataLength = 7;
    EXPECT_EQ(StreamKindName(block), "Sparse block");
}

} // namespace
