"""An Eudora index (.toc) in its Windows form, for the hostile run's trees."""


def toc(entries, count=None):
    """A 104-byte header naming the In mailbox, then one 218-byte entry per
    (offset, length); count overrides the header's entry count, so a
    damaged index can claim more or fewer entries than it holds."""
    t = bytearray(104)
    t[0] = 0x30
    t[8:10] = b"In"
    t[102:104] = (len(entries) if count is None else count).to_bytes(2, "little")
    for off, length in entries:
        e = bytearray(218)
        e[0:4] = off.to_bytes(4, "little")
        e[4:8] = length.to_bytes(4, "little")
        e[12] = 1
        t += e
    return bytes(t)
