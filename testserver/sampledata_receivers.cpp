// What the receivers editor needs of the default data set beyond the receivers
// themselves: the parameter layouts of the receiver types and the backup receiver
// setting. The captions fit the parameters window's labels at the default font; the
// sample receivers (sampledata_records.cpp) choose an entry of every list.
#include "testserver/sampledata.h"

#include <string>

namespace korvel::testserver {
namespace {

// Layout items are separated by the zero character.
Bytes Layout(std::initializer_list<const char*> items) {
    Bytes out;
    for (const char* item : items) {
        out += item;
        out += '\0';
    }
    return out;
}

} // namespace

void AddSampleReceiverEditing(SampleData& data) {
    for (SampleReceiverType& t : data.ReceiverTypes) {
        switch (t.TypeId) {
        case 1: t.ParameterLayout = Layout({"L0=E-mail address", "T0=", "L1=Subject prefix", "T1="}); break;
        case 2: t.ParameterLayout = Layout({"L0=Phone number", "T0=", "L1=Message format", "C1=Short;Long;Concatenated"}); break;
        case 3:
            t.ParameterLayout =
                Layout({"L0=Pager number", "T0=", "L1=Keep-alive (min)", "T1=", "L2=Priority", "C2=Normal;High;Urgent"});
            break;
        case 4:
            t.ParameterLayout = Layout({"L0=Host", "T0=", "L1=Keep-alive (min)", "T1=", "L2=Port", "T2="});
            break;
        case 5: t.ParameterLayout = Layout({"L0=Computer name", "T0=", "L1=Sound", "C1=None;Chime;Siren"}); break;
        case 6:
            t.ParameterLayout =
                Layout({"L0=Phone number", "T0=", "L1=Retries", "C1=0;1;2;3", "L2=Language", "C2=English;Swedish"});
            break;
        default: break;
        }
    }
    for (SampleSettingSection& section : data.Settings) {
        if (section.Name == "General") section.Items.emplace_back("AllowBackupReceiver", "1");
    }
}

} // namespace korvel::testserver
