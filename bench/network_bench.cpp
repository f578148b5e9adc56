// The results screen on a real network's terms: the local catalogue behind nginx (TLS 1.3,
// HTTP/2, gzip), reached through a shaping relay with a profile's round trip and
// bandwidth. For each profile, cold (a new client: a new connection and a full handshake)
// and warm (a client whose connection is up): from the keystroke that makes three
// characters to the first card painted, and to every cover of the first screen painted,
// each beside the floor the profile allows. With --fling: a fling 200 cards down a
// generated catalogue, from its end to every cover on the screen at rest painted.
#include "results_screen_setup.h"
#include "shaping_relay.h"

#include "platform/image.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/text_field_header_view.h"
#include "service/activity_catalogue.h"
#include "service/catalogue_server.h"
#include "tests/support/nginx_front.h"
#include "ui/image_view.h"
#include "ui/table_view.h"
#include "ui/text_field.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace wayfarer;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// Whether `view` draws a picture now: its image drawn as its paintEvent would draw it,
// into a scratch image at the same device pixel ratio, so that only a rendering already
// made for that size shows.
bool drawsPicture(const ui::ImageView& view) {
    if (!view.image() || view.size().isEmpty())
        return false;
    const qreal ratio = view.devicePixelRatioF();
    QImage scratch(view.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    scratch.setDevicePixelRatio(ratio);
    scratch.fill(Qt::transparent);
    {
        QPainter painter(&scratch);
        view.image()->draw(painter, ui::imageRect(view.rect(), view.image()->size(), view.contentMode()));
    }
    const QPoint middle(scratch.width() / 2, scratch.height() / 2);
    return qAlpha(scratch.pixel(middle)) != 0;
}

// Watches the paint events of the results screen from the keystroke on: the first card
// painted, then each thumbnail of the first screen painted with its picture.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(bench::ResultsScreenSetup& screen) : screen_(screen) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

    std::optional<Clock::time_point> firstCard;
    std::optional<Clock::time_point> lastCover;

    bool coversDone() const { return firstCard && waiting_.empty() && checkedRowsWithoutCover(); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        if (!firstCard && qobject_cast<AttractionTableViewCell*>(object)) {
            firstCard = Clock::now();
            // The first screen: the rows in view when the first card is painted.
            for (const ui::IndexPath& row : screen_.results->tableView()->indexPathsForVisibleRows()) {
                auto* cell = qobject_cast<AttractionTableViewCell*>(screen_.results->tableView()->cellForRow(row));
                const auto& record = screen_.session->attractions()[static_cast<std::size_t>(row.row)];
                if (record->coverURL)
                    waiting_[cell->thumbnailView] = record;
                else
                    withoutCover_.push_back(record);
            }
        }
        auto* view = qobject_cast<ui::ImageView*>(object);
        if (view && waiting_.count(view) && drawsPicture(*view)) {
            waiting_.erase(view);
            lastCover = Clock::now();
        }
        return false;
    }

private:
    bool checkedRowsWithoutCover() const {
        return std::all_of(withoutCover_.begin(), withoutCover_.end(), [](const auto& r) { return r->didLoadImage; });
    }

    bench::ResultsScreenSetup& screen_;
    std::map<const ui::ImageView*, std::shared_ptr<Attraction>> waiting_;
    std::vector<std::shared_ptr<Attraction>> withoutCover_;
};

// Runs the event loop, sleeping while nothing happens, until `done` or the time-out.
bool runUntil(const std::function<bool()>& done, std::chrono::seconds timeout) {
    QTimer tick;  // wakes the loop to look at the clock
    tick.start(100);
    const auto giveUp = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > giveUp)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Sample {
    double firstCard = 0, covers = 0;
    std::uint64_t bytesDownFirstCard = 0, bytesDown = 0, bytesUp = 0, connections = 0;
};

enum class Temperature { cold, warm };

// One keystroke to covers, on a new results screen through `client`.
std::optional<Sample> measure(const std::string& baseURL, platform::HttpClient& client, bench::ShapingRelay& relay) {
    bench::ResultsScreenSetup screen(baseURL, client);
    ui::TextField& field = *screen.results->tableView()->findChild<ui::TextField*>();
    field.setText(QStringLiteral("Ro"));
    QApplication::processEvents();
    PaintWatch watch(screen);
    const auto before = relay.counters();
    const auto start = Clock::now();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"));
    QApplication::sendEvent(&field.editorWidget(), &press);
    std::uint64_t bytesAtFirstCard = 0;
    const bool done = runUntil(
        [&] {
            if (watch.firstCard && bytesAtFirstCard == 0)
                bytesAtFirstCard = (relay.counters() - before).bytesDown;
            return watch.coversDone();
        },
        60s);
    if (!done)
        return std::nullopt;
    const auto used = relay.counters() - before;
    Sample sample;
    sample.firstCard = milliseconds(*watch.firstCard - start);
    sample.covers = milliseconds(watch.lastCover.value_or(*watch.firstCard) - start);
    sample.bytesDownFirstCard = bytesAtFirstCard;
    sample.bytesDown = used.bytesDown;
    sample.bytesUp = used.bytesUp;
    sample.connections = used.connections;
    return sample;
}

// A search through `client` that leaves its connection up.
bool warmUp(const std::string& baseURL, platform::HttpClient& client) {
    const auto queue = std::make_shared<ui::QtMainQueue>();
    auto transport = std::make_shared<DataTaskManager>(
        DataTaskManager::Configuration{baseURL, CatalogueContext{&client, queue}});
    bool answered = false;
    transport->fetchAttractions("paris", Attraction::Currency::USD, 0, [&](DataTaskManager::Result) {
        queue->post([&] { answered = true; });
    });
    return runUntil([&] { return answered; }, 60s);
}

template <typename T> T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Goal {
    double firstCard, covers;
};

void report(const bench::LinkProfile& link, Temperature temperature, const std::vector<Sample>& samples) {
    const bool cold = temperature == Temperature::cold;
    const double rtt = std::chrono::duration<double, std::milli>(link.roundTrip).count();
    const auto pick = [&](auto field) {
        std::vector<double> values;
        for (const Sample& sample : samples)
            values.push_back(static_cast<double>(sample.*field));
        return values;
    };
    const auto firstCard = pick(&Sample::firstCard), covers = pick(&Sample::covers);
    const double bytesFirstCard = median(pick(&Sample::bytesDownFirstCard));
    const double bytesDown = median(pick(&Sample::bytesDown)), bytesUp = median(pick(&Sample::bytesUp));
    const auto opened = pick(&Sample::connections);
    const double connections = *std::max_element(opened.begin(), opened.end());
    const double perByte = 8.0 / link.bitsPerSecond * 1000.0;
    // Round trips: the TCP handshake and the TLS 1.3 handshake when cold, the search's
    // request and answer, then for the covers their requests and answers.
    const double firstCardFloor = (cold ? 3 : 1) * rtt + bytesFirstCard * perByte;
    const double coversFloor = (cold ? 4 : 2) * rtt + bytesDown * perByte;
    const Goal goal = cold ? Goal{1.3, 1.7} : Goal{1.2, 1.5};
    const auto column = [](const std::vector<double>& values, double floor, double goalRatio) {
        const double middle = median(values);
        const double ratio = middle / floor;
        std::printf(" %7.0f (%5.0f-%5.0f) %7.0f %5.2f %-6s |", middle, *std::min_element(values.begin(), values.end()),
                    *std::max_element(values.begin(), values.end()), floor, ratio, ratio <= goalRatio ? "met" : "MISSED");
    };
    std::printf("%-7s %4.0f ms %5.1f Mbit/s %-5s |", link.name.c_str(), rtt, link.bitsPerSecond / 1e6,
                cold ? "cold" : "warm");
    column(firstCard, firstCardFloor, goal.firstCard);
    column(covers, coversFloor, goal.covers);
    std::printf(" %8.0f %6.0f %4.0f\n", bytesDown, bytesUp, connections);
    std::fflush(stdout);
}



// The fling: a search for "tour" on a generated catalogue, then a fling that comes to rest
// `cards` cards down, asking for the next pages as the list reaches its end (the fling holds
// there until the page arrives), or with the pages loaded first. Measured from the end of the fling to every cover on the
// screen at rest painted; its floor is those covers' bytes over the bandwidth and one round trip.
struct FlingSample {
    double covers = 0, floor = 0, flung = 0;
    std::size_t onScreen = 0;
    std::uint64_t bytesAtRest = 0;
};

std::optional<FlingSample> measureFling(const std::string& baseURL, platform::HttpClient& client,
                                        bench::ShapingRelay& relay, int cards, bool pagesFirst) {
    const bench::LinkProfile& link = relay.link();
    bench::ResultsScreenSetup screen(baseURL, client);
    ui::TextField& field = *screen.results->tableView()->findChild<ui::TextField*>();
    field.setText(QStringLiteral("tou"));
    QApplication::processEvents();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, QStringLiteral("r"));
    QApplication::sendEvent(&field.editorWidget(), &press);
    ui::TableView& table = *screen.results->tableView();
    if (!runUntil([&] { return !screen.session->attractions().empty(); }, 60s))
        return std::nullopt;
    QApplication::processEvents();
    // Pages loaded before the fling, no row shown for them: a fling at full speed that
    // starts a cover download for each row it passes.
    while (pagesFirst && screen.session->attractions().size() < static_cast<std::size_t>(cards + 10)) {
        const std::size_t had = screen.session->attractions().size();
        screen.results->loadResults(std::nullopt, true);
        if (!runUntil([&] { return screen.session->attractions().size() > had; }, 60s))
            return std::nullopt;
    }

    // Decelerating evenly over two seconds of frames, a frame each 16 ms; the clock stops
    // while the list's end holds the fling.
    const double rowHeight = table.frame().width() * 4.0 / 5.0;
    const double distance = cards * rowHeight;
    const double duration = 2.0;
    const double speed = 2 * distance / duration;
    double flingTime = 0;
    const auto before = relay.counters();
    const auto flingStart = Clock::now();
    auto nextFrame = Clock::now();
    const auto giveUp = Clock::now() + 120s;
    while (table.contentOffset() < static_cast<int>(distance)) {
        if (Clock::now() > giveUp)
            return std::nullopt;
        nextFrame += 16ms;
        while (Clock::now() < nextFrame)
            QApplication::processEvents(QEventLoop::AllEvents, 2);
        const int end = table.contentHeight() - table.viewport()->height();
        const double t = std::min(duration, flingTime + 0.016);
        const int wanted = static_cast<int>(speed * t - speed / duration * t * t / 2);
        if (wanted > end) {
            table.setContentOffset(end);
            continue;
        }
        flingTime = t;
        table.setContentOffset(flingTime >= duration ? static_cast<int>(distance) : wanted);
    }
    const auto rest = Clock::now();
    const auto bytesAtRest = (relay.counters() - before).bytesDown;
    std::vector<std::pair<AttractionTableViewCell*, std::shared_ptr<Attraction>>> shown;
    for (const ui::IndexPath& row : table.indexPathsForVisibleRows())
        if (auto* cell = qobject_cast<AttractionTableViewCell*>(table.cellForRow(row)))
            shown.emplace_back(cell, screen.session->attractions()[static_cast<std::size_t>(row.row)]);
    const bool painted = runUntil(
        [&] {
            return std::all_of(shown.begin(), shown.end(), [](const auto& entry) {
                return entry.second->didLoadImage && (!entry.second->coverImg || drawsPicture(*entry.first->thumbnailView));
            });
        },
        120s);
    if (!painted)
        return std::nullopt;
    FlingSample sample;
    sample.covers = milliseconds(Clock::now() - rest);
    double bytes = 0;
    for (const auto& entry : shown)
        bytes += entry.second->coverImg ? static_cast<double>(entry.second->coverImg->encodedSize()) : 0;
    sample.floor = std::chrono::duration<double, std::milli>(link.roundTrip).count() + bytes * 8 / link.bitsPerSecond * 1000;
    sample.onScreen = shown.size();
    sample.flung = milliseconds(rest - flingStart);
    sample.bytesAtRest = bytesAtRest;
    return sample;
}
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A phone's screen: two device pixels to the point.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);

    int runs = 5;
    std::vector<std::string> only;
    std::string certificateOut;
    bool serve = false;
    bool fling = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--fling") == 0)
            fling = true;
        else if (std::strcmp(argv[i], "--profile") == 0 && i + 1 < argc)
            only.emplace_back(argv[++i]);
        else if (std::strcmp(argv[i], "--serve") == 0 && i + 1 < argc) {
            serve = true;
            certificateOut = argv[++i];
        } else {
            std::fprintf(stderr, "usage: network_bench [--runs N] [--fling] [--profile near|mobile|far]...\n"
                                 "  (--fling: a fling 200 cards down a generated catalogue, to its screen's covers)\n"
                                 "       network_bench --serve CERT_OUT --profile NAME\n"
                                 "  (serves the front through that profile's relay until standard input closes,\n"
                                 "   for other clients: prints its address, writes its certificate to CERT_OUT)\n");
            return 2;
        }
    }
    const std::vector<bench::LinkProfile> profiles = {
        {"near", 20ms, 50e6},
        {"mobile", 60ms, 10e6},
        {"far", 300ms, 1.5e6},
    };

    service::ServerOptions options;
    options.plainHttp = true;
    options.trustForwardedHeaders = true;
    if (fling)
        options.catalogue = std::make_shared<service::ActivityCatalogue>(service::generateCatalogue(2000));
    auto catalogue = service::CatalogueServer::start(options);
    if (!catalogue) {
        std::fprintf(stderr, "cannot start the catalogue: %s\n", catalogue.error().detail.c_str());
        return 1;
    }
    std::optional<testing::NginxFront> front;
    try {
        front.emplace("127.0.0.1:" + std::to_string((*catalogue)->port()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot start nginx: %s\n", error.what());
        return 1;
    }
    platform::HttpClientOptions clientOptions;
    clientOptions.exclusiveCaPem = front->certificatePem();
    if (serve) {
        const auto link = std::find_if(profiles.begin(), profiles.end(), [&](const auto& p) {
            return !only.empty() && p.name == only.front();
        });
        if (link == profiles.end()) {
            std::fprintf(stderr, "--serve needs one --profile\n");
            return 2;
        }
        bench::ShapingRelay relay(front->port(), *link);
        if (FILE* file = std::fopen(certificateOut.c_str(), "w")) {
            std::fputs(front->certificatePem().c_str(), file);
            std::fclose(file);
        }
        std::printf("https://127.0.0.1:%d\n", relay.port());
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }

    if (fling) {
        std::printf("network_bench --fling: \"tour\" on 2,000 generated activities, the next pages as the list asks, a "
                    "fling to rest 200 cards down;\nfrom the end of the fling to every cover on screen painted, in ms: "
                    "the median (fastest-slowest) of %d runs, its floor (one round trip + those covers' bytes / "
                    "bandwidth) and the ratio.\n\n", runs);
        for (const bool pagesFirst : {false, true})
        for (const auto& link : profiles) {
            if (only.empty() ? link.name == "near" : std::find(only.begin(), only.end(), link.name) == only.end())
                continue;
            bench::ShapingRelay relay(front->port(), link);
            const std::string baseURL = "https://127.0.0.1:" + std::to_string(relay.port());
            std::vector<double> times, floors, flung, bytesAtRest;
            std::size_t onScreen = 0;
            for (int run = 0; run < runs; ++run) {
                platform::HttpClient client(clientOptions);
                const auto sample = measureFling(baseURL, client, relay, 200, pagesFirst);
                if (!sample) {
                    std::fprintf(stderr, "%s: a fling did not finish within its time\n", link.name.c_str());
                    return 1;
                }
                times.push_back(sample->covers);
                floors.push_back(sample->floor);
                flung.push_back(sample->flung);
                bytesAtRest.push_back(static_cast<double>(sample->bytesAtRest));
                onScreen = sample->onScreen;
            }
            const double time = median(times), floor = median(floors);
            std::printf("%-12s %-7s %4.0f ms %5.1f Mbit/s | %7.0f (%5.0f-%5.0f) floor %6.0f ratio %5.2f | %zu rows on screen; "
                        "the fling %.0f ms, %.1f MB down by its end\n",
                        pagesFirst ? "pages first" : "pages asked", link.name.c_str(), std::chrono::duration<double, std::milli>(link.roundTrip).count(),
                        link.bitsPerSecond / 1e6, time, *std::min_element(times.begin(), times.end()),
                        *std::max_element(times.begin(), times.end()), floor, time / floor, onScreen, median(flung),
                        median(bytesAtRest) / 1e6);
            std::fflush(stdout);
        }
        return 0;
    }
    std::printf("network_bench: the keystroke that makes \"Rom\" in the results screen, through nginx (TLS 1.3, "
                "HTTP/2, gzip) and a shaping relay; %d runs each.\n"
                "Times in ms: the median (fastest-slowest), its floor and the ratio. A floor is round trips x RTT + "
                "bytes down / bandwidth,\nthe round trips being, cold: TCP 1 + TLS 1.3 1 + the search 1, and 1 more "
                "for the covers; warm: the search 1, and 1 more for the covers.\n"
                "Goals: warm 1.2 (first card) and 1.5 (covers), cold 1.3 and 1.7. Bytes: payload through the relay, "
                "to the last cover; connections opened.\n\n",
                runs);
    std::printf("%-7s %-20s %-5s | %-36s | %-36s | %8s %6s %4s\n", "profile", "link", "", "first card painted",
                "every cover of the first screen", "down", "up", "conn");
    for (const auto& link : profiles) {
        if (!only.empty() && std::find(only.begin(), only.end(), link.name) == only.end())
            continue;
        bench::ShapingRelay relay(front->port(), link);
        const std::string baseURL = "https://127.0.0.1:" + std::to_string(relay.port());
        {
            // Not measured: fills the catalogue's cover cache and nginx's upstream connections.
            platform::HttpClient client(clientOptions);
            measure(baseURL, client, relay);
        }
        for (const Temperature temperature : {Temperature::cold, Temperature::warm}) {
            std::vector<Sample> samples;
            std::optional<platform::HttpClient> warmClient;
            if (temperature == Temperature::warm)
                warmClient.emplace(clientOptions);
            for (int run = 0; run < runs; ++run) {
                std::optional<Sample> sample;
                if (warmClient) {
                    if (warmUp(baseURL, *warmClient))
                        sample = measure(baseURL, *warmClient, relay);
                } else {
                    platform::HttpClient client(clientOptions);
                    sample = measure(baseURL, client, relay);
                }
                if (!sample) {
                    std::fprintf(stderr, "%s: a run did not finish within 60 seconds\n", link.name.c_str());
                    return 1;
                }
                samples.push_back(*sample);
            }
            report(link, temperature, samples);
        }
    }
    return 0;
}
