#include "coremachines/view/CCoreArtwork.h"
#include "ui/CPicture.h"
#include <map>
#include <memory>
#include <mutex>

CPicture* CoreArtwork::Get(uint16_t number)
{
    static std::mutex lock;
    static std::map<uint16_t, std::unique_ptr<CPicture>> pictures;
    std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<CPicture>& slot = pictures[number];
    if (!slot) {
        auto picture = std::make_unique<CPicture>();
        picture->LoadResource(number);
        slot = std::move(picture);
    }
    return slot.get();
}
