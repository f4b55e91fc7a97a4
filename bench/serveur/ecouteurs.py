#!/usr/bin/env python3
"""Listeners of valto-serveur's event stream: usage ecouteurs.py PORT KEY PID TOKEN N JOURNAL.
Prints the server's memory with no listener and with N idle ones, the time one event takes to reach
them all, what the listener beyond the cap gets, and what becomes of a listener that stops reading
while events pour in. Sources are spread over 127.0.2.1-50, under the per-address cap."""
import http.client
import select
import socket
import sys
import time

port, cle, pid, token, nombre = int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), sys.argv[4], int(sys.argv[5])
journal = sys.argv[6]
demande = f"GET /api/evenements HTTP/1.1\r\nHost: banc\r\nX-Api-Key: {cle}\r\n\r\n".encode()


def kio(cle_etat):
    with open(f"/proc/{pid}/status") as etat:
        for ligne in etat:
            if ligne.startswith(cle_etat + ":"):
                return int(ligne.split()[1])


def ouvrir(i, tampon=None):
    s = socket.socket()
    if tampon:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, tampon)
    s.bind((f"127.0.2.{1 + i % 50}", 0))
    s.connect(("127.0.0.1", port))
    s.sendall(demande)
    return s


def attendre(prises, motif, delai=10.0):
    """Reads every socket until each has received `motif`; returns the seconds it took and what each got."""
    debut = time.monotonic()
    recus = {s: b"" for s in prises}
    restantes = set(prises)
    while restantes and time.monotonic() - debut < delai:
        prets, _, _ = select.select(list(restantes), [], [], 0.5)
        for s in prets:
            morceau = s.recv(65536)
            recus[s] += morceau
            if motif in recus[s] or not morceau:
                restantes.discard(s)
    return time.monotonic() - debut, recus


def telecharger(connexion):
    connexion.request("GET", f"/t/{token}/f/a.txt", headers={"User-Agent": "Mozilla/5.0 (banc)"})
    connexion.getresponse().read()


def flux_termines():
    """Streams the server has ended: each leaves its access line then."""
    with open(journal, errors="replace") as lignes:
        return sum(1 for ligne in lignes if "GET /api/evenements 200" in ligne)


def mio(k):
    return k / 1024


time.sleep(1)
avant = kio("VmRSS")
ecouteurs = [ouvrir(i) for i in range(nombre)]
_, recus = attendre(ecouteurs, b": connect\xc3\xa9\n\n")
ouverts = sum(1 for r in recus.values() if r.startswith(b"HTTP/1.1 200"))
time.sleep(1)
apres = kio("VmRSS")
print(f"Mémoire du serveur : {mio(avant):.1f} Mio sans écouteur, {mio(apres):.1f} Mio avec {ouverts} écouteurs "
      f"inactifs, soit +{mio(apres - avant):.1f} Mio ({(apres - avant) / max(ouverts, 1):.1f} Kio chacun ; "
      f"objectif < 16 Mio pour 500)")

connexion = http.client.HTTPConnection("127.0.0.1", port)
telecharger(connexion)
duree, recus = attendre(ecouteurs, b"event: telechargement")
arrives = sum(1 for r in recus.values() if b"event: telechargement" in r)
print(f"Un téléchargement annoncé à {arrives}/{ouverts} écouteurs en {duree * 1000:.0f} ms")

plafond = 1000
autres = [ouvrir(nombre + i) for i in range(plafond - nombre)]
attendre(autres, b": connect\xc3\xa9\n\n")
_, refus = attendre([ouvrir(plafond)], b"\r\n\r\n")
statut = next(iter(refus.values())).split(b"\r\n", 1)[0].decode()
print(f"Écouteur n° {plafond + 1} : « {statut} » (attendu : 503)")
for s in ecouteurs + autres:
    s.close()

# A listener whose window is tiny and who never reads, beside one who does.
while flux_termines() < plafond:
    time.sleep(0.2)
time.sleep(1)
with open(f"/proc/{pid}/clear_refs", "w") as pic:
    pic.write("5")
base = kio("VmRSS")
muet = ouvrir(0, tampon=4096)
lecteur = ouvrir(1)
attendre([lecteur], b": connect\xc3\xa9\n\n")
lecteur.setblocking(False)
debut = time.monotonic()
envoyes = 0
while envoyes < 20000 and flux_termines() == plafond:
    for _ in range(200):
        telecharger(connexion)
    envoyes += 200
    try:
        while lecteur.recv(1 << 20):
            pass
    except BlockingIOError:
        pass
pic = kio("VmHWM")
coupe = flux_termines() > plafond
resultat = f"coupé après {envoyes} événements au plus" if coupe else f"toujours ouvert après {envoyes} événements"
print(f"Écouteur qui ne lit pas : {resultat}, en {time.monotonic() - debut:.1f} s ; "
      f"mémoire du serveur +{mio(pic - base):.1f} Mio au pic")
