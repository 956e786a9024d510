select f.DG_ID, f.DN_ID, d.BV_Nr, f.Periode, d.AbmGrd, d.DVerh, d.GebDat, d.Staatsb,
       d.Geschlecht, d.FamSt, d.Eintritt, d.Austritt, f.Urlaub, f.DGAnteil, f.LA_ID,
       f.Anzahl, f.Satz, f.Betrag, d.Svnr
from FixLA f
join Dienstnehmer d on d.DG_ID = f.DG_ID and d.DN_ID = f.DN_ID
where f.Periode = $$PERIODE$$ and f.DG_ID in ($$MANDANT$$)
order by f.DG_ID, f.DN_ID, f.LA_ID
