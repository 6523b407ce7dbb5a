#include <gtest/gtest.h>

#include "bcl_fixture.h"
#include "resources/archive_writer.h"
#include "resources/bcl.h"

using namespace archive_fixture;
using Format = TyxArchiveWriter::Format;

namespace {

class ArchiveWriterTest : public ArchiveTest {
protected:
    std::string Refusal(Format format, const std::vector<std::string>& names,
                        bool scramble = false) {
        std::vector<TyxArchiveWriter::Member> members;
        for (const auto& n : names) members.push_back({n, Bytes("x")});
        std::string error;
        if (TyxArchiveWriter::Write(format, m_Dir.Str() + "w.idx", members,
                                    scramble ? &m_Witch : nullptr, error))
            return "";
        return error;
    }
};

TEST_F(ArchiveWriterTest, RefusesNamesTheIndexCannotHold) {
    for (Format f : {Format::Bcl, Format::Bcx}) {
        EXPECT_NE(Refusal(f, {""}), "");
        EXPECT_NE(Refusal(f, {"a\r\nb"}), "");
        EXPECT_NE(Refusal(f, {"a\tb"}), "");
        EXPECT_NE(Refusal(f, {"Same.png", "same.PNG"}), "");
        EXPECT_EQ(Refusal(f, {"a.png", "a.png.`a0"}), "");
    }
    EXPECT_NE(Refusal(Format::Bcl, {"binarycombinedata"}), "");
    EXPECT_NE(Refusal(Format::Bcl, {"\x82\x81", "\x82\x60"}), "");  // full-width a and A
    EXPECT_EQ(Refusal(Format::Bcx, {"\x82\x81", "\x82\x60"}), "");
    EXPECT_NE(Refusal(Format::Bcx, {"?BCD?"}), "");
    EXPECT_NE(Refusal(Format::Bcx, {"a<b"}), "");
    EXPECT_NE(Refusal(Format::Bcx, {"/a"}), "");
    EXPECT_EQ(Refusal(Format::Bcl, {"[odd] name=1 <x>"}), "");
}

TEST_F(ArchiveWriterTest, DataFileSitsBesideTheIndex) {
    EXPECT_EQ(TyxArchiveWriter::DataFileNameFor("c:\\game\\data.bcx"), "c:\\game\\data.bcd");
    const std::string index = PackBcl("g.bcl", {{"[odd] name=1 <x>", Bytes("odd")}});
    TyxBCL bcl(nullptr);
    ASSERT_TRUE(bcl.Open(index));
    TMemoryStream s;
    ASSERT_TRUE(bcl.LoadStream(s, "[ODD] NAME=1 <X>"));
    EXPECT_EQ(std::string(s.Data(), s.Data() + s.Size()), "odd");
    EXPECT_EQ(bcl.Items()[0].Offset, static_cast<int32_t>(TyxArchiveWriter::kHeaderSize));
}

}  // namespace
