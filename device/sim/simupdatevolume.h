#pragma once

// The USB volume the simulated adapter presents in update mode: a folder named
// "CRP DISABLD" inside the volumes root, created after a delay like a volume that takes a
// moment to mount, and marked as the simulator's own by a hidden file. When the adapter
// restarts it takes "firmware.bin" from the folder and the folder goes away; a folder
// someone else made is never removed unless an image was taken from it.

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class SimUpdateVolume
{
public:
    enum class Outcome { NoImage, Accepted, Rejected };

    explicit SimUpdateVolume(const QString &root);
    ~SimUpdateVolume();

    QString folderPath() const;
    // Mounts the volume after delayMs (at once for 0).
    void present(int delayMs);
    // Takes "firmware.bin" when it is there; the volume is removed unless there is no image.
    Outcome consume(uint16_t *version);
    // Cancels a pending mount and removes the volume if the simulator made it.
    void withdraw();

private:
    void cancelPending();
    bool mount() const;
    QString markerPath() const;

    QString m_root;
    std::thread m_mounter;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancel = false;
};
