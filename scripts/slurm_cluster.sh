#!/usr/bin/env bash
# A single-node SLURM cluster on this machine, run as root from a scratch folder, for
# testing the workflow's cluster profile: munge, MariaDB, slurmdbd, slurmctld and slurmd
# from Debian's packages, each with its own configuration, socket, ports and logs in the
# scratch folder, so that nothing of the system's own services is used or disturbed.
#
#   slurm_cluster.sh start SCRATCH [--no-accounting]
#                                    start everything in a new or empty folder; with
#                                    --no-accounting, a site without accounting: no
#                                    MariaDB and no slurmdbd, so sacct and sacctmgr fail
#   slurm_cluster.sh stop SCRATCH    cancel the jobs left and stop what start started
#
# After start, ". SCRATCH/env.sh" points the client commands (sinfo, sbatch, squeue,
# sacct, sacctmgr, scancel) at the cluster. Every process started is recorded in
# SCRATCH/pids as "name pid"; stop signals those process ids and nothing else, and leaves
# the scratch folder (logs included) for the caller to remove.
#
# Exit status: 0 done; 2 wrong use; 77 the cluster could not be started on this machine
# (missing package, a daemon that does not come up), with the reason printed, so that a
# test can be skipped.
set -uo pipefail

readonly SKIP=77
readonly CLUSTER=kestrel PARTITION=main ACCOUNT=kestrel
readonly DB_USER=slurm DB_PASS=kestrel-test DB_NAME=slurm_acct_db

usage() {
  echo "usage: $0 start SCRATCH [--no-accounting] | stop SCRATCH" >&2
  exit 2
}

# Fails the start: prints the reason and the tail of the given log, stops what was
# started so far, and exits with the status that lets a test skip.
give_up() {
  local reason=$1 log=${2:-}
  echo "slurm_cluster: cannot start the cluster: $reason" >&2
  if [ -n "$log" ] && [ -f "$log" ]; then
    echo "--- last lines of $log" >&2
    tail -n 15 "$log" >&2
  fi
  stop_cluster
  exit "$SKIP"
}

# Runs a daemon in the foreground, in the background of this script, its output into a
# log, and records its pid. The daemons stay in the caller's process group, so a test
# runner that kills a hung test's group takes them down with it.
launch() {
  local name=$1 log=$2
  shift 2
  "$@" < /dev/null >> "$log" 2>&1 &
  echo "$name $!" >> "$S/pids"
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@" > /dev/null 2>&1; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.5
  done
}

# True while the process runs; a zombie (exited, not yet reaped) does not count.
running() {
  local state
  state=$(sed 's/^.*) \(.\).*$/\1/' "/proc/$1/stat" 2> /dev/null) && [ "$state" != Z ]
}

# True while every recorded daemon is running (a daemon that exits early fails fast).
all_alive() {
  local name pid
  while read -r name pid; do
    running "$pid" || { echo "$name"; return 1; }
  done < "$S/pids"
}

# Waits for a daemon to answer, failing at once when one has exited; on failure the
# probe's last answer is shown with the daemon's log.
await() {
  local what=$1 log=$2 seconds=$3
  shift 3
  local deadline=$((SECONDS + seconds)) dead
  until "$@" > "$S/log/probe.log" 2>&1; do
    dead=$(all_alive) || give_up "$dead exited during start-up" "$log"
    if [ "$SECONDS" -ge "$deadline" ]; then
      cat "$S/log/probe.log" >&2
      give_up "$what did not answer within $seconds s" "$log"
    fi
    sleep 0.5
  done
}

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

check_tools() {
  local tool
  for tool in munged mungekey munge unmunge mariadb-install-db mariadbd mariadb slurmdbd slurmctld \
              slurmd sacctmgr sinfo scontrol squeue scancel; do
    command -v "$tool" > /dev/null || give_up "$tool is not installed (packages munge, mariadb-server, slurm-wlm, slurmdbd)"
  done
  [ "$(id -u)" -eq 0 ] || give_up "it must run as root"
  # A socket path is limited to 107 bytes; the longest one here is the munge socket's lock file.
  [ ${#S} -le 70 ] || { echo "slurm_cluster: the scratch path $S is too long for a socket in it" >&2; exit 2; }
}

start_munge() {
  mkdir -p "$S/munge" && chmod 700 "$S/munge"
  mungekey --create --keyfile="$S/munge/munge.key" 2> "$S/log/munge-key.log" ||
    give_up "mungekey failed" "$S/log/munge-key.log"
  launch munged "$S/log/munged.log" munged --foreground --force --socket="$S/munge/munge.socket" \
    --key-file="$S/munge/munge.key" --pid-file="$S/munge/munged.pid" \
    --seed-file="$S/munge/munged.seed" --log-file="$S/log/munged.log"
  await munged "$S/log/munged.log" 20 sh -c \
    "munge -n --socket='$S/munge/munge.socket' | unmunge --socket='$S/munge/munge.socket'"
}

start_mariadb() {
  mkdir -p "$S/mysql"
  mariadb-install-db --no-defaults --datadir="$S/mysql/data" --user=root --skip-test-db \
    --auth-root-authentication-method=socket > "$S/log/mariadb-install.log" 2>&1 ||
    give_up "mariadb-install-db failed" "$S/log/mariadb-install.log"
  launch mariadbd "$S/log/mariadbd.log" mariadbd --no-defaults --user=root --datadir="$S/mysql/data" \
    --socket="$S/mysql/mysqld.sock" --pid-file="$S/mysql/mysqld.pid" --bind-address=127.0.0.1 \
    --port="$DB_PORT" --skip-name-resolve --log-error="$S/log/mariadbd.log" \
    --innodb-buffer-pool-size=64M --innodb-lock-wait-timeout=900
  await mariadbd "$S/log/mariadbd.log" 60 mariadb --no-defaults --socket="$S/mysql/mysqld.sock" -e 'select 1'
  mariadb --no-defaults --socket="$S/mysql/mysqld.sock" -e "
    create user '$DB_USER'@'127.0.0.1' identified by '$DB_PASS';
    grant all on $DB_NAME.* to '$DB_USER'@'127.0.0.1';" 2>> "$S/log/mariadbd.log" ||
    give_up "creating the accounting database user failed" "$S/log/mariadbd.log"
}

# The accounting lines of slurm.conf: slurmdbd's, or none at all.
accounting_configuration() {
  if [ "$ACCOUNTING" = no ]; then
    echo "AccountingStorageType=accounting_storage/none"
    return
  fi
  cat << EOF
AccountingStorageType=accounting_storage/slurmdbd
AccountingStorageHost=127.0.0.1
AccountingStoragePort=$DBD_PORT
# The munge socket for talking to slurmdbd (AuthInfo covers only slurmctld and slurmd).
AccountingStoragePass=$S/munge/munge.socket
AccountingStorageEnforce=associations,limits
EOF
}

write_configuration() {
  local host node
  host=$(hostname -s)
  # The node as slurmd sees the hardware, so that it registers without being drained.
  node=$(slurmd -C 2> /dev/null | head -n 1 | sed 's/^NodeName=[^ ]* //')
  [ -n "$node" ] || give_up "slurmd -C did not describe this node"
  cat > "$S/etc/slurm.conf" << EOF
ClusterName=$CLUSTER
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$CTLD_PORT
SlurmdPort=$SLURMD_PORT
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$S/munge/munge.socket
StateSaveLocation=$S/state
SlurmdSpoolDir=$S/spool/slurmd-%n
SlurmctldPidFile=$S/run/slurmctld.pid
SlurmdPidFile=$S/run/slurmd-%n.pid
SlurmctldLogFile=$S/log/slurmctld.log
SlurmdLogFile=$S/log/slurmd.log
MpiDefault=none
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
ReturnToService=2
MinJobAge=300
KillWait=5
InactiveLimit=0
$(accounting_configuration)
NodeName=$host NodeAddr=127.0.0.1 $node State=UNKNOWN
PartitionName=$PARTITION Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
  cat > "$S/etc/slurmdbd.conf" << EOF
DbdHost=$host
DbdAddr=127.0.0.1
DbdPort=$DBD_PORT
SlurmUser=root
AuthType=auth/munge
AuthInfo=socket=$S/munge/munge.socket
PidFile=$S/run/slurmdbd.pid
LogFile=$S/log/slurmdbd.log
StorageType=accounting_storage/mysql
StorageHost=127.0.0.1
StoragePort=$DB_PORT
StorageUser=$DB_USER
StoragePass=$DB_PASS
StorageLoc=$DB_NAME
EOF
  chmod 600 "$S/etc/slurmdbd.conf"
  cat > "$S/env.sh" << EOF
export SLURM_CONF=$S/etc/slurm.conf
EOF
}

# The cluster, an account and the current user in it, as a site's administrator adds them.
add_associations() {
  local user
  user=$(id -un)
  {
    sacctmgr -i add cluster "$CLUSTER" &&
      sacctmgr -i add account "$ACCOUNT" cluster="$CLUSTER" description=tests organization=kestrel &&
      sacctmgr -i add user "$user" account="$ACCOUNT" cluster="$CLUSTER" defaultaccount="$ACCOUNT"
  } >> "$S/log/sacctmgr.log" 2>&1 || give_up "sacctmgr could not add the associations" "$S/log/sacctmgr.log"
}

node_idle() {
  [ "$(sinfo -h -o %T 2> /dev/null)" = idle ]
}

no_jobs() {
  [ -z "$(squeue -h -o %i 2> /dev/null)" ]
}

start_cluster() {
  if [ -n "$(ls -A "$S" 2> /dev/null)" ]; then
    echo "slurm_cluster: $S is not empty; start needs a new or empty folder" >&2
    exit 2
  fi
  check_tools
  mkdir -p "$S"/{etc,log,run,state,spool} || give_up "cannot create folders in $S"
  : > "$S/pids"
  DB_PORT=$(free_port) DBD_PORT=$(free_port) CTLD_PORT=$(free_port) SLURMD_PORT=$(free_port)
  local started=$SECONDS
  start_munge
  [ "$ACCOUNTING" = no ] || start_mariadb
  write_configuration
  export SLURM_CONF=$S/etc/slurm.conf
  if [ "$ACCOUNTING" != no ]; then
    launch slurmdbd "$S/log/slurmdbd.log" slurmdbd -D
    await slurmdbd "$S/log/slurmdbd.log" 60 timeout 10 sacctmgr -n list cluster
    add_associations
  fi
  launch slurmctld "$S/log/slurmctld.log" slurmctld -D -i -f "$SLURM_CONF"
  await slurmctld "$S/log/slurmctld.log" 60 timeout 10 scontrol ping
  launch slurmd "$S/log/slurmd.log" slurmd -D -f "$SLURM_CONF"
  await "the node (idle in sinfo)" "$S/log/slurmd.log" 60 node_idle
  echo "slurm_cluster: up in $((SECONDS - started)) s; use it with: . $S/env.sh"
}

# Cancels the jobs left so that no job outlives its node daemon, then stops the recorded
# processes in the reverse order of starting, each by its pid, forcibly after 30 s.
stop_cluster() {
  [ -f "$S/pids" ] || return 0
  export SLURM_CONF=$S/etc/slurm.conf
  if [ -f "$SLURM_CONF" ] && timeout 10 scontrol ping > /dev/null 2>&1; then
    local jobs
    jobs=$(timeout 10 squeue -h -o %i 2> /dev/null)
    if [ -n "$jobs" ]; then
      # shellcheck disable=SC2086  # one job id a word
      timeout 10 scancel $jobs
      wait_for 30 no_jobs
    fi
  fi
  local name pid
  tac "$S/pids" | while read -r name pid; do
    # The name guards against a pid that an unrelated process has taken since.
    if [ "$(cat "/proc/$pid/comm" 2> /dev/null)" = "$name" ] && running "$pid"; then
      kill -TERM "$pid"
      wait_for 30 eval "! running $pid" || kill -KILL "$pid" 2> /dev/null
    fi
  done
  mv "$S/pids" "$S/pids.stopped"
}

ACCOUNTING=yes
[ $# -eq 3 ] && [ "$1" = start ] && [ "$3" = --no-accounting ] && ACCOUNTING=no && set -- "$1" "$2"
[ $# -eq 2 ] || usage
case $2 in /*) S=${2%/} ;; *) S=$PWD/$2 ;; esac
case $1 in
  start) start_cluster ;;
  stop) stop_cluster ;;
  *) usage ;;
esac
