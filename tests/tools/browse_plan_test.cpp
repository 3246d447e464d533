// What `vorne browse` writes: tag names made safe and unique, the object
// list text taken apart, and the tag list's CSV.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tools/vorne/browse_plan.hpp"
#include "tools/vorne/text_escape.hpp"

namespace vorne_tool {
namespace {

TEST(TagNamer, NamesAreSafeAndUniqueRegardlessOfCase) {
    TagNamer namer;
    const ObjectRef av7{2, 7};
    EXPECT_EQ(namer.Name("Zone 1, setpoint", av7), "Zone_1_setpoint");
    EXPECT_EQ(namer.Name("Zone 1, setpoint", av7), "Zone_1_setpoint_2");
    EXPECT_EQ(namer.Name("zone 1 setpoint", av7), "zone_1_setpoint_3");
    // A name that is already some other tag's suffixed form still comes out unique.
    EXPECT_EQ(namer.Name("Zone 1 setpoint 2", av7), "Zone_1_setpoint_2_2");
    EXPECT_EQ(namer.Name("1st floor", av7), "T_1st_floor");
    EXPECT_EQ(namer.Name("***", av7), "AV_7");
    EXPECT_EQ(namer.Name("", av7), "AV_7_2");
    // One gap per character, however many octets it takes in UTF-8.
    EXPECT_EQ(namer.Name("Temp\xC3\xA9rature  salle", {0, 4}), "Temp_rature_salle");
}

TEST(ObjectListText, ObjectsInOrderAndPiecesThatAreNoObjectSkipped) {
    const auto objects = ParseObjectList("(8:1234)(2:1)(x:3)(2:4194302)(5:");
    ASSERT_TRUE(objects);
    ASSERT_EQ(objects->size(), 3u);
    EXPECT_EQ((*objects)[0], (ObjectRef{8, 1234}));
    EXPECT_EQ((*objects)[2], (ObjectRef{2, 4194302}));
    EXPECT_FALSE(ParseObjectList(""));
    EXPECT_FALSE(ParseObjectList("0"));
}

TEST(TagListFile, HeaderThenOneQuotedLinePerReadObject) {
    std::vector<BrowsedObject> objects(3);
    objects[0] = {{2, 1}, "Zone \"A\", north", "21.5", "62 (degrees-Celsius)", true, {}, {}};
    objects[1] = {{2, 2}, "Broken", {}, {}, false, "OBJECT-NAME: 19 (read error)", {}};
    objects[2] = {{3, 1}, "Pump", "1", "Stopped|Running", false, {}, {}};
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    NameTags(objects);
    WriteTagList(file, "10.0.0.1:5:77:0A", objects);
    std::rewind(file);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    EXPECT_EQ(text,
              "name,station,address,object,object_name,value,units,commandable\n"
              "Zone_A_north,10.0.0.1:5:77:0A,AV:1:PRESENT-VALUE,AV:1,\"Zone \"\"A\"\", north\",21.5,"
              "62 (degrees-Celsius),yes\n"
              "Pump,10.0.0.1:5:77:0A,BI:1:PRESENT-VALUE,BI:1,Pump,1,Stopped|Running,no\n");
    EXPECT_EQ(objects[0].tag, "Zone_A_north");
    EXPECT_TRUE(objects[1].tag.empty());
}

TEST(TextEscape, JsonAndCsvKeepTheTextIntact) {
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField(" lead"), "\" lead\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two lines\"");
}

}  // namespace
}  // namespace vorne_tool
