#include "host/StatusReport.h"

#include "host/JsonWriter.h"

namespace ravhost {

namespace {

const ravkern::ConnectStatistics* connectOf(const HostStatus& status, unsigned board) {
    return board < status.connects.size() && status.connects[board] ? &*status.connects[board] : nullptr;
}

}  // namespace

std::string formatStatus(const HostStatus& status) {
    const ravsim::BusStatus& bus = status.bus;
    std::string text = "cycles " + std::to_string(bus.cycles) + "\n";
    for (const auto& b : bus.boards) {
        text += "board " + std::to_string(b.index) + ": ";
        if (b.running)
            text += "station " + std::to_string(b.station) + " size " + std::to_string(b.size) + " running";
        else
            text += b.monitoring ? "monitoring GM, no station" : "not running";
        if (b.refusedJoins)
            text += ", " + std::to_string(b.refusedJoins) + " start(s) refused: station range taken or invalid";
        text += "\n";
    }
    for (const auto& s : bus.stations)
        text += "station " + std::to_string(s.address) + " size " + std::to_string(s.size) + " " +
                ravsim::stationRoleName(s.role) + (s.onBus ? ": on the bus\n" : ": off the bus\n");
    text += "members:";
    for (unsigned i = 0; i < 64; ++i)
        if (bus.members >> i & 1)
            text += " " + std::to_string(i);
    text += "\n";

    text += "late cycles " + std::to_string(bus.lateCycles) + " (cycle time " +
            std::to_string(status.cycleTime.count()) + " us)\n";
    for (const auto& b : bus.boards) {
        text += "board " + std::to_string(b.index) + " connect ";
        if (const ravkern::ConnectStatistics* c = connectOf(status, b.index))
            text += "state " + std::to_string(c->state) + ", supervision restarts " +
                    std::to_string(c->supervisionRestarts) + "\n";
        else
            text += "sequence: none, the board has no device\n";
    }
    for (const auto& t : bus.traffic)
        text += "station " + std::to_string(t.station) + " mails sent " + std::to_string(t.mailsSent) + ", received " +
                std::to_string(t.mailsReceived) + ", refused " + std::to_string(t.mailsRefused) +
                ", membership changes " + std::to_string(t.membershipChanges) + "\n";
    return text;
}

std::string formatStatusJson(const HostStatus& status) {
    const ravsim::BusStatus& bus = status.bus;
    JsonWriter json;
    json.beginObject();
    json.key("cycles").value(bus.cycles);
    json.key("cycleTimeUs").value(static_cast<std::int64_t>(status.cycleTime.count()));
    json.key("lateCycles").value(bus.lateCycles);
    json.key("members").beginArray();
    for (unsigned i = 0; i < 64; ++i)
        if (bus.members >> i & 1)
            json.value(i);
    json.endArray();

    json.key("boards").beginArray();
    for (const auto& b : bus.boards) {
        json.beginObject().key("index").value(b.index).key("running").value(b.running);
        json.key("monitoring").value(b.monitoring);
        if (b.running)
            json.key("station").value(b.station).key("size").value(b.size);
        else
            json.key("station").null().key("size").null();
        json.key("refusedStarts").value(b.refusedJoins);
        if (const ravkern::ConnectStatistics* c = connectOf(status, b.index))
            json.key("connectState").value(c->state).key("supervisionRestarts").value(c->supervisionRestarts);
        else
            json.key("connectState").null().key("supervisionRestarts").null();
        json.endObject();
    }
    json.endArray();

    json.key("stations").beginArray();
    for (const auto& s : bus.stations) {
        json.beginObject().key("address").value(s.address).key("size").value(s.size);
        json.key("role").value(ravsim::stationRoleName(s.role)).key("onBus").value(s.onBus).endObject();
    }
    json.endArray();

    json.key("traffic").beginArray();
    for (const auto& t : bus.traffic) {
        json.beginObject().key("station").value(t.station).key("mailsSent").value(t.mailsSent);
        json.key("mailsReceived").value(t.mailsReceived).key("mailsRefused").value(t.mailsRefused);
        json.key("membershipChanges").value(t.membershipChanges).endObject();
    }
    json.endArray();
    json.endObject();
    return json.text() + "\n";
}

}  // namespace ravhost
