// Load on a preview server: rounds of CONNECTIONS clients at once, each asking for PATH REQUESTS
// times (on one kept-alive connection when the server keeps it, else on a new one each time).
// Every response must be 200 with the body of the first one. Prints one line: requests per
// second over the whole run, the median and 99th percentile latency, and the wrong responses
// (exit code 1 when there are any).
//
// Usage: serve_load HOST PORT PATH [--connections N] [--rounds N] [--requests N]
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: serve_load HOST PORT PATH [--connections N] [--rounds N] [--requests N]\n", stderr);
        return 2;
    }
    const std::string host = argv[1];
    const int port = std::stoi(argv[2]);
    const std::string path = argv[3];
    int connections = 200, rounds = 20, requests = 1;
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        (option == "--connections" ? connections : option == "--rounds" ? rounds : requests) = std::stoi(argv[i + 1]);
    }
    const auto first = httplib::Client(host, port).Get(path);
    if (!first || first->status != 200) {
        std::fprintf(stderr, "serve_load: %s:%d%s does not answer 200\n", host.c_str(), port, path.c_str());
        return 1;
    }
    const std::string expected = first->body;

    using Clock = std::chrono::steady_clock;
    std::atomic<int> wrong = 0;
    std::mutex mutex;
    std::vector<double> latencies;
    const auto start = Clock::now();
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::thread> clients;
        for (int c = 0; c < connections; ++c)
            clients.emplace_back([&] {
                httplib::Client client(host, port);
                client.set_keep_alive(requests > 1);
                client.set_read_timeout(60);
                // A connect the server's queue dropped is retried by the kernel for a minute
                // and more; after 10 seconds it counts as a wrong response.
                client.set_connection_timeout(10);
                std::vector<double> mine;
                for (int r = 0; r < requests; ++r) {
                    const auto sent = Clock::now();
                    const auto response = client.Get(path);
                    mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                    if (!response || response->status != 200 || response->body != expected)
                        ++wrong;
                }
                std::lock_guard lock(mutex);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
            });
        for (std::thread& client : clients)
            client.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) { return latencies[static_cast<std::size_t>(p * (latencies.size() - 1))]; };
    std::printf("requests %zu  seconds %.3f  per_second %.0f  median_ms %.2f  p99_ms %.2f  wrong %d  bytes %zu\n",
                latencies.size(), seconds, latencies.size() / seconds, percentile(0.5), percentile(0.99), wrong.load(),
                expected.size());
    return wrong == 0 ? 0 : 1;
}
