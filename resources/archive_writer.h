#pragma once
// Writes BCL and BCX archives: a data file of member bytes and its index. The packer tool and
// the tests make their archives with it.
#include <cstdint>
#include <string>
#include <vector>

class TyxWitch;

class TyxArchiveWriter {
public:
    enum class Format { Bcl, Bcx };
    struct Member {
        std::string Name;  // Shift-JIS, folders separated by '\'
        std::vector<uint8_t> Bytes;
    };

    // Writes the data file (DataFileNameFor) and then the index. With scrambleWith, every
    // member is stored scrambled under its name plus the scramble extension. False with a
    // reason in error when a name cannot be stored in the index or a file cannot be written.
    static bool Write(Format format, const std::string& indexFileName,
                      const std::vector<Member>& members, const TyxWitch* scrambleWith,
                      std::string& error);
    // The index name with the extension ".bcd".
    static std::string DataFileNameFor(const std::string& indexFileName);
    // Bytes in front of the first member: a BCX address of 0 would mark no member.
    static constexpr size_t kHeaderSize = 16;
};
