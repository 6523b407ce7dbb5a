#pragma once
// Writes BCL and BCX archives: a data file of member bytes and its index. The packer tool and
// the tests make their archives with it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TyxWitch;

class TyxArchiveWriter {
public:
    enum class Format { Bcl, Bcx };
    struct Member {
        std::string Name;  // Shift-JIS, folders separated by '\'
        std::vector<uint8_t> Bytes;
        // When not empty, the bytes are copied from this host file (UTF-8 path) piece by
        // piece instead, so no member is ever held whole in memory.
        std::string HostPath = {};
    };
    // Called after each piece of member bytes is written: bytes done so far, bytes in all.
    using Progress = std::function<void(uint64_t done, uint64_t total)>;

    // Writes the data file (DataFileNameFor) and then the index. With scrambleWith, every
    // member is stored scrambled under its name plus the scramble extension. False with a
    // reason in error when a name cannot be stored in the index or a file cannot be read or
    // written; nothing is left half-written under the archive's names.
    static bool Write(Format format, const std::string& indexFileName,
                      const std::vector<Member>& members, const TyxWitch* scrambleWith,
                      std::string& error, const Progress& progress = nullptr);
    // The index name with the extension ".bcd".
    static std::string DataFileNameFor(const std::string& indexFileName);
    // Bytes in front of the first member: a BCX address of 0 would mark no member.
    static constexpr size_t kHeaderSize = 16;
    // Host files are copied in pieces of about this size (a whole number of key lengths, so
    // scrambling piece by piece gives the same bytes as scrambling the member at once).
    static constexpr size_t kPieceSize = 1 << 20;
};
