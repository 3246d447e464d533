// Object files: what a line makes of an object, and the faults a user sees
// with their line numbers.
#include <cstdio>
#include <fstream>

#include "sim/ids.hpp"
#include "sim/object_file.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;
using sim::Value;

std::vector<Value> ValuesOf(const sim::ObjectDatabase& db, std::uint32_t type, std::uint32_t instance,
                            std::uint32_t prop) {
    const sim::Object* object = db.Find({type, instance});
    if (object == nullptr) return {};
    const auto resolved = db.Resolve(*object, prop);
    return resolved ? resolved->values : std::vector<Value>{};
}

std::string LoadError(const std::string& text) {
    sim::ObjectDatabase db;
    std::string error;
    EXPECT_FALSE(sim::LoadObjectText(text, 1, "dev", db, error)) << text;
    return error;
}

TEST(ObjectFileTest, LinesBuildObjectsOverTheStandardProperties) {
    sim::ObjectDatabase db;
    std::string error;
    const std::string text =
        "# plant room\n"
        "DEVICE vendor-name=\"ACME Controls\" location=\"Keller, Raum 1\"  # trailing comment\r\n"
        "\n"
        "AV 1 object-name=\"Zone temp\" present-value=REAL:21.5 units=ENUM:62\n"
        "AI 2 present-value=19.25 description=\"Außen\"\n"
        "MSV 3 number-of-states=2 state-text=[\"Aus\", STR:\"An, voll\"] present-value=2\n"
        "BO 4 priority-array=[NULL,NULL,NULL,NULL,NULL,NULL,NULL,ENUM:1,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL]\n"
        "IV 5 present-value=SIGNED:-7 high-limit=INT:100\n"
        "DV 6 present-value=DATE:2026-03-14\n"
        "TV 7 present-value=TIME:07:30\n"
        "OSV 8 present-value=OCTETS:00ff10\n"
        "SCH 9 weekly-schedule=[RAW:0EB4070000004441A800000F,RAW:0E0F,RAW:0E0F,RAW:0E0F,RAW:0E0F,RAW:0E0F,RAW:0E0F]\n"
        "AV 10..12 object-name=\"Room {n} setpoint\" present-value=20\n";
    ASSERT_TRUE(sim::LoadObjectText(text, 77, "Plant", db, error)) << error;

    EXPECT_EQ(db.DeviceId().instance, 77u);
    EXPECT_EQ(ValuesOf(db, t::kDevice, 77, p::kVendorName)[0].text, "ACME Controls");
    EXPECT_EQ(ValuesOf(db, t::kDevice, 77, p::kObjectName)[0].text, "Plant");
    EXPECT_EQ(ValuesOf(db, t::kAnalogValue, 1, p::kPresentValue)[0], Value::Real(21.5f));
    EXPECT_EQ(ValuesOf(db, t::kAnalogValue, 1, p::kRelinquishDefault)[0], Value::Real(21.5f));
    EXPECT_EQ(ValuesOf(db, t::kAnalogValue, 1, p::kUnits)[0], Value::Enumerated(62));
    EXPECT_EQ(ValuesOf(db, t::kAnalogInput, 2, p::kPresentValue)[0], Value::Real(19.25f));
    EXPECT_EQ(ValuesOf(db, t::kAnalogInput, 2, p::kObjectName)[0].text, "AI 2");
    EXPECT_EQ(ValuesOf(db, t::kMultiStateValue, 3, p::kStateText),
              (std::vector<Value>{Value::Text("Aus"), Value::Text("An, voll")}));
    EXPECT_EQ(ValuesOf(db, t::kMultiStateValue, 3, p::kPresentValue)[0], Value::Unsigned(2));
    EXPECT_EQ(ValuesOf(db, t::kBinaryOutput, 4, p::kPresentValue)[0], Value::Enumerated(1));
    EXPECT_EQ(ValuesOf(db, t::kIntegerValue, 5, 45u)[0], Value::Signed(100));
    EXPECT_EQ(ValuesOf(db, t::kIntegerValue, 5, p::kPresentValue)[0], Value::Signed(-7));
    EXPECT_EQ(ValuesOf(db, t::kDateValue, 6, p::kPresentValue)[0], Value::Date(2026, 3, 14, 6));
    EXPECT_EQ(ValuesOf(db, t::kTimeValue, 7, p::kPresentValue)[0], Value::Time(7, 30, 0, 0));
    EXPECT_EQ(ValuesOf(db, t::kOctetStringValue, 8, p::kPresentValue)[0], Value::OctetString({0x00, 0xFF, 0x10}));
    EXPECT_EQ(ValuesOf(db, t::kSchedule, 9, p::kWeeklySchedule).size(), 7u);
    EXPECT_EQ(ValuesOf(db, t::kAnalogValue, 11, p::kObjectName)[0].text, "Room 11 setpoint");
    EXPECT_EQ(ValuesOf(db, t::kAnalogValue, 12, p::kPresentValue)[0], Value::Real(20));
    EXPECT_EQ(db.Objects().size(), 13u);
}

TEST(ObjectFileTest, FaultsNameTheirLine) {
    EXPECT_EQ(LoadError("AV 1\nXX 2\n"), "line 2: unknown object type: XX");
    EXPECT_EQ(LoadError("AV 1 colour=REAL:1"), "line 1: unknown property name: colour");
    EXPECT_EQ(LoadError("AV 1 present-value=REAL:warm"), "line 1: not a valid REAL value: REAL:warm");
    EXPECT_EQ(LoadError("AV 1 present-value=warm").rfind("line 1: not a value of the property's datatype", 0), 0u);
    EXPECT_EQ(LoadError("AV 1 high-limit=5").rfind("line 1: give the datatype", 0), 0u);
    EXPECT_EQ(LoadError("AV x"), "line 1: expected an instance (N or FIRST..LAST) after AV");
    EXPECT_EQ(LoadError("AV 5..2"), "line 1: expected an instance (N or FIRST..LAST) after AV");
    EXPECT_EQ(LoadError("AV 1 object-name=\"open"), "line 1: unterminated quote");
    EXPECT_EQ(LoadError("AV 1 state-text=[a"), "line 1: unbalanced brackets");
    EXPECT_EQ(LoadError("AV 1 present-value"), "line 1: expected property=value: present-value");
    EXPECT_EQ(LoadError("AV 1 priority-array=[NULL]"), "line 1: priority-array needs 16 values");
    EXPECT_EQ(LoadError("DEV 3"), "line 1: the device is described by a DEVICE line");
    EXPECT_EQ(LoadError("AV 1 object-list=[]"), "line 1: the simulator fills object-list itself");
}

TEST(ObjectFileTest, LaterLinesAmendEarlierObjects) {
    sim::ObjectDatabase db;
    std::string error;
    ASSERT_TRUE(sim::LoadObjectText("AO 1 present-value=5\nAO 1 description=\"second\"\n", 1, "d", db, error));
    EXPECT_EQ(ValuesOf(db, t::kAnalogOutput, 1, p::kPresentValue)[0], Value::Real(5));
    EXPECT_EQ(ValuesOf(db, t::kAnalogOutput, 1, p::kDescription)[0].text, "second");
}

class ObjectFileSimulatorTest : public SimulatorTest {
protected:
    void TearDown() override {
        SimulatorTest::TearDown();
        std::remove(path.c_str());
    }
    std::string path = ::testing::TempDir() + "vorne_sim_objects_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".txt";
};

TEST_F(ObjectFileSimulatorTest, ASimulatorServesTheFilesObjectsOnly) {
    std::ofstream(path) << "BV 3 present-value=1 active-text=\"Marche\"\nAV 9 present-value=REAL:-4.5\n";
    sim::SimOptions options;
    options.objectsFile = path;
    options.deviceInstance = 42;
    StartSimulator(options);
    EXPECT_EQ(simulator.ObjectCount(), 3u);
    EXPECT_EQ(Read(t::kAnalogValue, 9, p::kPresentValue).values[0], Value::Real(-4.5f));
    EXPECT_EQ(Read(t::kBinaryValue, 3, p::kActiveText).values[0].text, "Marche");
    EXPECT_EQ(Read(t::kAnalogInput, 1, p::kPresentValue).errorCode, 31u);
    EXPECT_EQ(Read(t::kDevice, 42, p::kObjectList).values.size(), 3u);
}

TEST(ObjectFileSimulatorStartTest, MissingOrBadFilesStopTheStart) {
    sim::Simulator simulator;
    sim::SimOptions options;
    options.port = 0;
    options.objectsFile = "/nonexistent/objects.txt";
    std::string error;
    EXPECT_FALSE(simulator.Start(options, error));
    EXPECT_EQ(error, "cannot open /nonexistent/objects.txt");
    EXPECT_FALSE(simulator.Running());
}

}  // namespace
}  // namespace sim_test
