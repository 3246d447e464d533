// The texts `vorne` reads and shows: tag lists as spreadsheets write them,
// numbers as people read them, weekly schedules as tables, station texts
// checked before the driver sees them, and tags grouped as a host groups them.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tools/vorne/address_text.hpp"
#include "tools/vorne/browse_plan.hpp"
#include "tools/vorne/csv_rows.hpp"
#include "tools/vorne/number_text.hpp"
#include "tools/vorne/schedule_table.hpp"
#include "tools/vorne/station_text.hpp"

namespace vorne_tool {
namespace {

std::vector<CsvRow> Rows(const std::string& text) {
    std::istringstream in(text);
    CsvReader reader(in);
    std::vector<CsvRow> rows;
    for (CsvRow row; reader.Next(row);) rows.push_back(row);
    return rows;
}

TEST(CsvReader, QuotedFieldsKeepCommasQuotesAndLineBreaks) {
    const auto rows = Rows(
        "plain , 127.0.0.2 ,AV:1:PRESENT-VALUE\r\n"
        "\"Zone 1, setpoint\",\"127.0.0.2\",\"AV:2:PRESENT-VALUE\"\n"
        "\"He said \"\"hi\"\"\", 127.0.0.2 , AV:3:PRESENT-VALUE,\n"
        "\"two\nlines\",127.0.0.2,AV:4:PRESENT-VALUE\n"
        "after,127.0.0.2,AV:5:PRESENT-VALUE");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].fields, (std::vector<std::string>{"plain", "127.0.0.2", "AV:1:PRESENT-VALUE"}));
    EXPECT_EQ(rows[1].fields[0], "Zone 1, setpoint");
    EXPECT_EQ(rows[1].fields[2], "AV:2:PRESENT-VALUE");
    EXPECT_EQ(rows[2].fields, (std::vector<std::string>{"He said \"hi\"", "127.0.0.2", "AV:3:PRESENT-VALUE", ""}));
    EXPECT_EQ(rows[3].fields[0], "two\nlines");
    // A row's line is where it starts; the quoted line break moves the next row down.
    EXPECT_EQ(rows[3].line, 4);
    EXPECT_EQ(rows[4].line, 6);
}

TEST(CsvReader, ReadsBackWhatTheTagListWriterQuotes) {
    BrowsedObject object{{2, 1}, "Zone \"A\", north", "21", "62 (degrees-Celsius)", true, {}, "Zone_A_north"};
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    WriteTagList(file, "127.0.0.2", {object});
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    const auto rows = Rows(text);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].fields.size(), 8u);
    EXPECT_EQ(rows[1].fields[4], "Zone \"A\", north");
    EXPECT_EQ(rows[1].fields[6], "62 (degrees-Celsius)");
}

TEST(NumberText, RealsReadAsTheirShortestTextAndDoublesAsAHostShowsThem) {
    EXPECT_EQ(NumberText(static_cast<double>(21.3f)), "21.3");
    EXPECT_EQ(NumberText(static_cast<double>(0.1f)), "0.1");
    EXPECT_EQ(NumberText(21.0), "21");
    EXPECT_EQ(NumberText(-7.0), "-7");
    EXPECT_EQ(NumberText(1.5e9), "1.5e+09");
    // Doubles that no float holds exactly: nine significant digits.
    EXPECT_EQ(NumberText(0.1), "0.1");
    EXPECT_EQ(NumberText(3.141592653589793), "3.14159265");
    EXPECT_EQ(NumberText(1500000000.25), "1.5e+09");
    EXPECT_EQ(NumberText(1e300), "1e+300");
    for (const float value : {21.3f, 0.7f, 123456.79f, -3.4e38f, 1e-30f}) {
        const std::string text = NumberText(value);
        EXPECT_EQ(std::stof(text), value) << text;
    }
}

TEST(WeeklyScheduleTable, OneLinePerDayFromMonday) {
    const auto table = WeeklyScheduleTable(
        "7:0:0.0,4,21;18:0:0.0,4,17|7:0:0.0,4,21|||||8:30:15.0,4,19.5;12:0:0.0,0,NULL");
    ASSERT_TRUE(table);
    ASSERT_EQ(table->size(), 7u);
    EXPECT_EQ((*table)[0], "Monday     07:00 21       18:00 17");
    EXPECT_EQ((*table)[2], "Wednesday  (no entries)");
    EXPECT_EQ((*table)[6], "Sunday     08:30:15 19.5     12:00 NULL");
    EXPECT_FALSE(WeeklyScheduleTable("7:0:0.0,4,21|||"));            // not seven days
    EXPECT_FALSE(WeeklyScheduleTable("7:0,4,21||||||"));            // not a time
    EXPECT_FALSE(WeeklyScheduleTable("7:0:0.0,4||||||"));           // entry without a value
}

TEST(StationProblem, NamesThePartThatIsWrong) {
    for (const char* good : {"192.168.0.10", "1:1234", "192.168.0.10:5:1234", "10.0.0.1:5:77:0A",
                             "10.0.0.1:5:77:0a0b0c0d0e0f", "192.168.0.10::"})
        EXPECT_EQ(StationProblem(good, false), "") << good;
    EXPECT_EQ(StationProblem("300.1.1.1", false), "'300.1.1.1' is not an IPv4 address");
    EXPECT_EQ(StationProblem("", false), "the station is empty");
    EXPECT_EQ(StationProblem("a:b:c:d:e", false), "more than four parts separated by ':'");
    EXPECT_EQ(StationProblem("1:x", false), "device 'x' is not a number 0..4194303");
    EXPECT_EQ(StationProblem("1:", false), "NETWORK:DEVICE needs both numbers");
    EXPECT_EQ(StationProblem("10.0.0.1:70000:5", false), "network '70000' is not a number 0..65535");
    EXPECT_NE(StationProblem("10.0.0.1:5:77:0A0", false).find("MAC '0A0'"), std::string::npos);
    EXPECT_NE(StationProblem("10.0.0.1:5:77:0A0B0C0D0E0F01", false).find("1 to 6 bytes"), std::string::npos);
    // On MS/TP the link part is a station number.
    EXPECT_EQ(StationProblem("5", true), "");
    EXPECT_EQ(StationProblem("127.0.0.2", true), "'127.0.0.2' is not an MS/TP station number (0..254)");
}

TEST(AddressProblem, NamesTheOffendingPartWithAnExample) {
    EXPECT_EQ(AddressProblem(106, "AV: x :PRESENT-VALUE"),
              "instance 'x' is not a number in 0..4194303, e.g. AV:1:PRESENT-VALUE");
    EXPECT_NE(AddressProblem(107, "AV:3:PRESNT-VALUE").find("unknown property 'PRESNT-VALUE'"), std::string::npos);
    EXPECT_NE(AddressProblem(105, "XX:3:PRESENT-VALUE").find("unknown object type 'XX'"), std::string::npos);
    EXPECT_NE(AddressProblem(108, "AV:3:PRESENT-VALUE:17").find("priority '17'"), std::string::npos);
    EXPECT_NE(AddressProblem(104, "AV").find("TYPE:INSTANCE:PROPERTY"), std::string::npos);
}

TEST(GroupByStationAndType, OneGroupPerStationAndTypeInTagOrder) {
    const auto groups = GroupByStationAndType({{"a", "AV:1:PRESENT-VALUE"},
                                               {"a", "ai:3:PRESENT-VALUE"},
                                               {"a", " av :2:PRESENT-VALUE"},
                                               {"b", "AV:1:PRESENT-VALUE"},
                                               {"a", "AI:4:PRESENT-VALUE"},
                                               {"a", "AV:5:PRESENT-VALUE"}},
                                              2);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].station, "a");
    EXPECT_EQ(groups[0].members, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(groups[1].members, (std::vector<std::size_t>{1, 4}));
    EXPECT_EQ(groups[2].station, "b");
    EXPECT_EQ(groups[3].members, (std::vector<std::size_t>{5}));  // the first AV group was full
}

}  // namespace
}  // namespace vorne_tool
