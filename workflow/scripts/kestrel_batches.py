"""Stable batches of genomes: which genomes share a job, so that adding a genome changes
as few batches as possible.

Each genome name is hashed (BLAKE2b, so the same name lands in the same place in every
run and on every machine) into buckets by linear hashing: with n buckets, a genome goes to
bucket h mod 2^(L+1), or to h mod 2^L when that is n or more, where 2^L <= n < 2^(L+1).
Going from n to n + 1 buckets splits one bucket in two and leaves every other bucket as
it was. There are MIN_BUCKETS buckets (empty ones make no batch), and one more for every
batch_size genomes beyond MIN_BUCKETS * batch_size; a bucket holding more than batch_size
genomes is cut into equal parts in hash order. Adding a genome therefore changes the
batches of its own bucket only, and, once in batch_size genomes past that, those of the
one bucket that splits.
"""
import hashlib

# Enough batches for the cores of one machine to share a few hundred genomes evenly; on
# a cluster it only makes the batches of small collections smaller.
MIN_BUCKETS = 16


def name_hash(name):
    """A 64-bit hash of a genome name, the same in every process."""
    data = name.encode("utf-8", "surrogateescape")
    return int.from_bytes(hashlib.blake2b(data, digest_size=8).digest(), "big")


def bucket_of(h, buckets):
    """The bucket of hash h among `buckets` buckets (linear hashing)."""
    level = 1 << (buckets.bit_length() - 1)
    bucket = h % (2 * level)
    return bucket if bucket < buckets else bucket - level


def bucket_count(genomes, batch_size):
    return max(-(-genomes // batch_size), MIN_BUCKETS)


def plan(names, batch_size):
    """Batch id -> names of its genomes, in hash order. An id is BUCKET-PART."""
    buckets = {}
    count = bucket_count(len(names), batch_size)
    for name in names:
        h = name_hash(name)
        buckets.setdefault(bucket_of(h, count), []).append((h, name))
    batches = {}
    for bucket, members in sorted(buckets.items()):
        members.sort()
        parts = -(-len(members) // batch_size)
        for part in range(parts):
            chunk = members[part * len(members) // parts:(part + 1) * len(members) // parts]
            batches[f"{bucket}-{part + 1}"] = [name for _, name in chunk]
    return batches
