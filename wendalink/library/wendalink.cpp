// The C functions of the link library, each handing over to the one session.

#include "wendalink.h"

#include "linksession.h"
#include "ownedtext.h"
#include "storesession.h"

namespace {
LinkSession &session()
{
    return LinkSession::instance();
}
} // namespace

extern "C" {

int32_t WENDALINK_CALL InitializeComm(int32_t port, int32_t baud)
{
    return session().initializeComm(port, baud);
}

int32_t WENDALINK_CALL radio_set_baudrate(int32_t baud)
{
    return session().setBaudRate(baud);
}

int32_t WENDALINK_CALL radio_init(int32_t port, int32_t channel, int32_t mask, int32_t flags)
{
    return session().radioInit(port, channel, mask, flags);
}

int32_t WENDALINK_CALL radio_close(void)
{
    return session().radioClose();
}

int32_t WENDALINK_CALL TerminateComm(int32_t port)
{
    return session().terminateComm(port);
}

int32_t WENDALINK_CALL Get_Message(
    int32_t *message, int32_t max_length, int32_t /*flags*/, char *sender)
{
    return session().getMessage(message, max_length, sender);
}

char *WENDALINK_CALL GetStringFromPtr(char * /*text*/, int32_t message, int32_t length)
{
    // The message is the result; the caller's text is left as it was.
    const std::optional<QByteArray> text = session().fetchMessage(message, length);
    return text ? newOwnedText(text->constData(), size_t(text->size())) : nullptr;
}

int32_t WENDALINK_CALL Send_Message(char *data, char *destination, int32_t length, int32_t kind)
{
    return session().sendMessage(data, destination, length, kind);
}

int32_t WENDALINK_CALL radio_recv4(int32_t *status, int32_t *terminal, int32_t *out3,
    int32_t * /*out4*/, int32_t * /*out5*/, int32_t * /*out6*/, int32_t * /*out7*/,
    int32_t * /*out8*/, int32_t * /*out9*/, int32_t * /*out10*/, int32_t * /*array1*/,
    int32_t * /*array2*/, char *text1, char * /*text2*/)
{
    return session().radioRecv4(status, terminal, out3, text1);
}

int32_t WENDALINK_CALL radio_message_conf_laser(int32_t terminal, char *list)
{
    return session().radioMessageConfLaser(terminal, list);
}

int32_t WENDALINK_CALL xml_reset(void)
{
    return StoreSession::instance().xmlReset();
}

int32_t WENDALINK_CALL xml_position_inside_tag(char *name)
{
    return StoreSession::instance().xmlPositionInsideTag(name);
}

int32_t WENDALINK_CALL xml_write_tag(char *name, char *value)
{
    return StoreSession::instance().xmlWriteTag(name, value);
}

int32_t WENDALINK_CALL xml_remove_tag(char *name)
{
    return StoreSession::instance().xmlRemoveTag(name);
}

} // extern "C"
