#pragma once

#include <cstdint>
#include <optional>
#include <queue>
#include <random>
#include <vector>

namespace zarava::issuersim {

class Issuer;

// A morning and afternoon of a clinic's reception, played with random numbers from one seed.
// Every room has one or two doctors or counters; patients arrive at random, take tickets and
// are called in order after a few minutes; each call sends the ticket to a counter or just
// into the room, and the previous patient of that counter counts as served. Reception opens
// at the start for two and a half hours of clinic time, closes for an hour with notice 1
// (MSSG 4), opens again for two and a half hours and closes with notice 2 (MSSG 5), and so
// on; calls go on while reception is closed until nobody waits. Now and then the band
// message changes and the news is written afresh.
//
// Events happen at clinic times chosen from the seed alone, so a seed replays the same
// clinic whatever the speed of the machine.
class RandomClinic {
public:
    RandomClinic(Issuer& issuer, int rooms, std::uint32_t seed, double clinicStart);

    // Writes the settings a clinic needs when missing and plans the first events.
    void Start();

    // Clinic time of the next event.
    double NextEventAt() const;

    // Plays every event due up to the clinic time.
    void RunUntil(double clinicSeconds);

private:
    enum class Kind { Arrival, Burst, NextPatient, Reception, BandMessage, News };
    struct Event {
        double at;
        std::uint64_t order; // events at one time run in the order they were planned
        Kind kind;
        int room = 0;
        int server = 0;
        int period = 0; // reception period an arrival belongs to
        bool operator>(const Event& other) const {
            return at != other.at ? at > other.at : order > other.order;
        }
    };
    struct Server {
        int counter = 0; // 0: the ticket is called into the room, no counter
        std::optional<int> ticket;
        bool summoned = false;
    };
    struct RoomPlan {
        int room = 0;
        double serviceMinutes = 0;
        double arrivalMinutes = 0;
        std::vector<Server> servers;
    };

    void Plan(double at, Kind kind, int room = 0, int server = 0);
    double Uniform(double low, double high);
    double Exponential(double mean);
    void Issue(const Event& event);
    void NextPatient(const Event& event);
    void ChangeReception(double at);
    void ChangeBandMessage(double at);
    void WriteNews(double at);

    Issuer& issuer_;
    std::mt19937 random_;
    double clinicStart_;
    std::vector<RoomPlan> rooms_;
    std::priority_queue<Event, std::vector<Event>, std::greater<>> events_;
    std::uint64_t planned_ = 0;
    int period_ = -1; // 0 morning, 1 noon break, 2 afternoon, 3 evening break, 4 morning ...
    std::size_t bandMessage_ = 0;
};

} // namespace zarava::issuersim
