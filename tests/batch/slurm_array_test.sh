#!/bin/bash
# Starts a one-node Slurm cluster of its own (munged, slurmctld, slurmd, all
# with pid files in a scratch folder), renders a plan as a 4-task job array
# and checks that the union of the tasks' output is byte for byte the output
# of one `batch --jobs 1` run. Every daemon started here is stopped by its
# pid file, whatever the outcome.
#   slurm_array_test.sh TAVRIK_CLI ARRAY_SCRIPT SCRATCH
set -euo pipefail
cli=$(realpath "$1")
array=$(realpath "$2")
scratch=$3

for program in munged mungekey slurmctld slurmd sbatch sinfo; do
    if ! command -v "$program" >/dev/null && [ ! -x "/usr/sbin/$program" ]; then
        echo "SKIPPED: $program is not installed (Debian packages munge, slurmctld, slurmd, slurm-client)"
        exit 77
    fi
done
export PATH="$PATH:/usr/sbin"

rm -rf "$scratch"
mkdir -p "$scratch/state" "$scratch/spool" "$scratch/munge"
chmod 700 "$scratch/munge"
conf=$scratch/slurm.conf
export SLURM_CONF=$conf

stop() {
    for daemon in slurmd slurmctld munged; do
        if [ -s "$scratch/$daemon.pid" ]; then
            pid=$(cat "$scratch/$daemon.pid")
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
    done
}
trap stop EXIT

host=$(hostname -s)
user=$(id -un)
# Ports of this test's own, away from a cluster the machine may belong to.
port=$((20000 + $$ % 20000))
mungekey --create --keyfile="$scratch/munge/munge.key"
munged --key-file="$scratch/munge/munge.key" --socket="$scratch/munge/munge.socket" \
    --pid-file="$scratch/munged.pid" --log-file="$scratch/munged.log" --seed-file="$scratch/munge/seed" --force

cat > "$conf" <<CONF
ClusterName=tavriktest
SlurmctldHost=$host
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=$user
AuthType=auth/munge
AuthInfo=socket=$scratch/munge/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/backfill
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
StateSaveLocation=$scratch/state
SlurmdSpoolDir=$scratch/spool
SlurmctldPidFile=$scratch/slurmctld.pid
SlurmdPidFile=$scratch/slurmd.pid
SlurmctldLogFile=$scratch/slurmctld.log
SlurmdLogFile=$scratch/slurmd.log
NodeName=$host CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF

slurmctld -i
slurmd
for _ in $(seq 300); do
    state=$(sinfo -h -o %t 2>/dev/null || true)
    [ "$state" = idle ] && break
    sleep 0.1
done
if [ "$state" != idle ]; then
    echo "the node did not become idle (state '$state'); logs in $scratch" >&2
    exit 1
fi

cat > "$scratch/plan.json" <<'PLAN'
{
  "settings": {"size": "320x240", "camera": "both", "formats": "all"},
  "sequences": [{"random": {"count": 8, "seed": 2026, "frames": 3}}]
}
PLAN
TAVRIK_CLI=$cli sbatch --wait --quiet --array=0-3 --cpus-per-task=1 --output="$scratch/task-%a.out" \
    --chdir="$scratch" "$array" "$scratch/plan.json" "$scratch/array"
"$cli" batch "$scratch/plan.json" --out "$scratch/one" --jobs 1 --quiet >/dev/null 2>&1

for k in 0 1 2 3; do
    grep -q "shard $k/4 from the Slurm job array" "$scratch/task-$k.out" || {
        echo "task $k did not take its shard from the array:" >&2
        cat "$scratch/task-$k.out" >&2
        exit 1
    }
done
[ "$(ls "$scratch/array" | grep -c '^0000')" = 8 ] || { echo "not 8 sequences" >&2; exit 1; }
diff -r "$scratch/one" "$scratch/array"
echo "the union of the 4 array tasks equals one batch run"
