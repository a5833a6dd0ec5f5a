"""Dask: lazy arrays through NumPy's ufunc protocol, computed by the threaded
and the synchronous scheduler, and the same bits when a two-process local
cluster computes them."""

import os

import numpy as np
import pytest

import varnel

da = pytest.importorskip("dask.array")

rng = np.random.default_rng(3)
N = 40_000

# ufunc, NumPy arguments
CASES = [
    ("erf", (rng.normal(0, 3, N).astype(np.float32),)),
    ("gammaln", (rng.uniform(0, 50, N),)),
    ("loggamma", (rng.normal(0, 10, N) + 1j * rng.normal(0, 10, N),)),
    ("gammaincc", (rng.uniform(0.5, 20, N), rng.uniform(0, 40, N))),
    ("betainc", (rng.uniform(0.5, 20, N), rng.uniform(0.5, 20, N), rng.uniform(0, 1, N))),
]
IDS = [c[0] for c in CASES]


def lazy(args):
    return [da.from_array(a, chunks=N // 4) for a in args]


@pytest.mark.parametrize("scheduler", ["threads", "synchronous"])
@pytest.mark.parametrize("name,args", CASES, ids=IDS)
def test_lazy_on_dask_arrays(name, args, scheduler):
    ufunc = getattr(varnel, name)
    result = ufunc(*lazy(args))
    assert isinstance(result, da.Array)
    want = ufunc(*args)
    assert result.dtype == want.dtype and result.numblocks == (4,)
    assert result.compute(scheduler=scheduler).tobytes() == want.tobytes()


def test_lazy_broadcasting():
    a = da.from_array(np.linspace(0.5, 10, 8)[:, None], chunks=(4, 1))
    x = np.linspace(0, 20, 5)
    assert np.array_equal(varnel.gammainc(a, x).compute(), varnel.gammainc(a.compute(), x))


@pytest.fixture(scope="module")
def client():
    distributed = pytest.importorskip("dask.distributed")
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       host="127.0.0.1", dashboard_address=None)
    with distributed.Client(cluster) as c:
        yield c
    cluster.close()


@pytest.mark.parametrize("name,args", CASES, ids=IDS)
def test_two_worker_cluster_gives_the_same_bits(client, name, args):
    ufunc = getattr(varnel, name)
    got = client.compute(ufunc(*lazy(args))).result()
    assert got.tobytes() == ufunc(*args).tobytes()


def test_cluster_workers_are_separate_processes(client):
    pids = set(client.run(os.getpid).values())
    assert len(pids) == 2 and os.getpid() not in pids
    # each worker imported the package itself
    versions = set(client.run(lambda: __import__("varnel").__version__).values())
    assert versions == {varnel.__version__}
