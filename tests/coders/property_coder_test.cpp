// Which coder serves which property, and the all-properties answer about a
// local object.
#include "coders/property_coder.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>

#include "coders/bacnet_action_list.hpp"
#include "coders/bacnet_any_coder.hpp"
#include "coders/bacnet_daily_scheduler_array_coder.hpp"
#include "coders/bacnet_date_time_coder.hpp"
#include "coders/bacnet_destination_coder.hpp"
#include "coders/bacnet_event_parameters_coder.hpp"
#include "coders/bacnet_prescale_coder.hpp"
#include "coders/bacnet_read_access_result_coder.hpp"
#include "coders/group_member_list_coder.hpp"
#include "coders/bacnet_scale_coder.hpp"
#include "coders/calendar_entry_list.hpp"
#include "coders/device_object_reference_list_coder.hpp"
#include "coders/effective_period_coder.hpp"
#include "coders/enumerated_list_coder.hpp"
#include "coders/event_time_stamps_coder.hpp"
#include "coders/exception_scheduler_coder.hpp"
#include "coders/list_unsigned_coder.hpp"
#include "coders/object_list_coder.hpp"
#include "coders/object_property_reference.hpp"
#include "coders/priority_array_coder.hpp"
#include "coders/setpoint_reference_coder.hpp"
#include "coders/state_text_coder.hpp"
#include "encoding/host_values.hpp"
#include "encoding/local_values.hpp"
#include "support/hex.hpp"
#include "tables/datatype_table.hpp"
#include "tables/local_objects.hpp"

namespace {

using coders::GetPropertyCoder;
using coders::SharedCoder;
using testing_support::BytesAre;
using testing_values::Integer;
using testing_values::Real;
using testing_values::Text;

struct Row {
    coders::IPropertyCoder* coder;
    std::initializer_list<std::int32_t> properties;
};

TEST(GetPropertyCoder, SelectsBySharedInstancePerProperty) {
    using namespace coders;
    const Row rows[] = {
        {&SharedCoder<BACnetActionList>(), {2}},
        {&SharedCoder<StateTextCoder>(), {3, 110}},
        {&SharedCoder<ListUnsignedCoder>(), {7, 39, 166, 182, 186, 190, 191}},
        {&SharedCoder<BACnetDateTimeCoder>(), {16, 71, 114, 115, 142, 143, 149, 150, 179, 189, 192}},
        {&SharedCoder<ObjectPropertyReference>(), {19, 54, 60, 78, 132, 181}},
        {&SharedCoder<CalendarEntryList>(), {23}},
        {&SharedCoder<EffectivePeriodCoder>(), {32}},
        {&SharedCoder<ExceptionSchedulerCoder>(), {38}},
        {&SharedCoder<BACnetReadAccessSpecificationCoder>(), {53}},
        {&SharedCoder<ObjectListCoder>(), {76}},
        {&SharedCoder<BACnetEventParametersCoder>(), {83}},
        {&SharedCoder<PriorityArrayCoder>(), {86, 87}},
        {&SharedCoder<BACnetDestinationCoder>(), {102}},
        {&SharedCoder<SetpointReferenceCoder>(), {109}},
        {&SharedCoder<BACnetDailySchedulerArrayCoder>(), {123}},
        {&SharedCoder<EventTimeStampsCoder>(), {130}},
        {&SharedCoder<DeviceObjectReferenceListCoder>(), {159, 165}},
        {&SharedCoder<BACnetAnyCoder>(), {174}},
        {&SharedCoder<EnumeratedListCoder>(), {175}},
        {&SharedCoder<BACnetPrescaleCoder>(), {185}},
        {&SharedCoder<BACnetScaleCoder>(), {187}},
    };
    std::map<std::int32_t, IPropertyCoder*> expected;
    for (const Row& row : rows)
        for (const std::int32_t property : row.properties) expected[property] = row.coder;
    for (const std::int32_t objectType : {0, 2, 8, 17, 11, 12}) {
        for (std::int32_t property = -1; property <= 520; ++property) {
            if ((objectType == 12 && property == 2) || property == 85) continue;
            const auto found = expected.find(property);
            EXPECT_EQ(GetPropertyCoder(property, objectType), found == expected.end() ? nullptr : found->second)
                << "property " << property << " of object type " << objectType;
        }
    }
}

TEST(GetPropertyCoder, ObjectTypeExceptions) {
    // A loop's action is an enumeration; only a group's present value is constructed.
    EXPECT_EQ(GetPropertyCoder(2, 12), nullptr);
    EXPECT_EQ(GetPropertyCoder(85, 11), &SharedCoder<coders::BACnetReadAccessResultCoder>());
    for (const std::int32_t objectType : {0, 1, 2, 8, 10, 12, 17, 19})
        EXPECT_EQ(GetPropertyCoder(85, objectType), nullptr) << objectType;
}

TEST(GetPropertyCoder, PrioritySelectionDecidesTheSlotCount) {
    auto& shared = SharedCoder<coders::PriorityArrayCoder>();
    const HostValue threeSlots = Text(u"NULL|NULL|NULL");
    encoding::ByteVector out;
    ASSERT_EQ(GetPropertyCoder(86, 2), &shared);
    EXPECT_EQ(shared.SelectedProperty(), 86);
    EXPECT_EQ(GetPropertyCoder(86, 2)->Encode(out, threeSlots, -1), 0u);
    ASSERT_EQ(GetPropertyCoder(87, 2), &shared);
    EXPECT_EQ(shared.SelectedProperty(), 87);
    EXPECT_EQ(GetPropertyCoder(87, 2)->Encode(out, threeSlots, -1), 18u);

    // A local object's value is encoded on an instance of its own.
    out.clear();
    EXPECT_EQ(coders::EncodeLocalProperty(out, threeSlots, 2, 86), 0u);
    EXPECT_TRUE(BytesAre(out, "00 00 00"));
    EXPECT_EQ(shared.SelectedProperty(), 87);
}

// Local object (analog value 7) at index 3, its values served by a reader.
class EncodeAllProperties : public ::testing::Test {
protected:
    static constexpr std::int32_t kType = 2, kInstance = 7, kIndex = 3;

    void SetUp() override {
        tables::BuildDatatypeTable();
        tables::LocalObjects()[{kType, kInstance}] = kIndex;
    }
    void TearDown() override {
        tables::LocalObjects().erase({kType, kInstance});
        tables::LocalProperties().erase({kIndex, kInstance});
        encoding::SetLocalItemReader({});
    }
    void Serve(const std::map<std::int32_t, HostValue>& values) {
        auto& properties = tables::LocalProperties()[{kIndex, kInstance}];
        for (const auto& [property, value] : values) properties[property] = static_cast<tables::HostItemHandle>(property);
        encoding::SetLocalItemReader([values](std::int32_t, tables::HostItemHandle item, HostValue& out) {
            out = values.at(static_cast<std::int32_t>(item));
        });
    }
};

TEST_F(EncodeAllProperties, EveryPropertyInAscendingOrder) {
    Serve({{85, Real(21.5)}, {123, Text(u"||||||")}, {77, Text(u"AV 7")}, {32, Text(u"not a period")}});
    encoding::ByteVector out;
    EXPECT_EQ(coders::EncodeAllProperties(out, kType, kInstance), 0u);
    EXPECT_TRUE(BytesAre(out,
                         "29 20 5e 91 02 91 00 5f"                // a value that does not encode: its error
                         "29 4d 4e 75 05 00 41 56 20 37 4f"
                         "29 55 4e 44 41 ac 00 00 4f"
                         "29 7b 4e 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 4f"));
}

TEST_F(EncodeAllProperties, ObjectListGoesThroughItsCoder) {
    Serve({{76, Text(u"(8:1)(2:7)")}});
    encoding::ByteVector out;
    coders::EncodeAllProperties(out, kType, kInstance);
    EXPECT_TRUE(BytesAre(out, "29 4c 4e c4 02 00 00 01 c4 00 80 00 07 4f"));
}

TEST_F(EncodeAllProperties, UnknownObjectsAndUnservedValues) {
    encoding::SetLocalItemReader({});
    encoding::ByteVector out;
    EXPECT_EQ(coders::EncodeAllProperties(out, kType, kInstance + 1), 0u);
    EXPECT_TRUE(out.empty());
    // Without a reader the device table answers, which lacks this property:
    // its error (unknown-property) under its whole identifier.
    tables::LocalProperties()[{kIndex, kInstance}][1000] = 1;
    EXPECT_EQ(coders::EncodeAllProperties(out, kType, kInstance), 0u);
    EXPECT_TRUE(BytesAre(out, "2a 03 e8 5e 91 02 91 20 5f"));
}

}  // namespace
